#include "session/capability_table.h"

namespace varnolo {
namespace {

constexpr CapabilityRow kRows[] = {
#include "session/capability_rows.inc"
};

constexpr size_t EntryOffset(int index, int column) {
  return 2 + (static_cast<size_t>(index) * kTableColumns + static_cast<size_t>(column)) * 4;
}

}  // namespace

std::span<const CapabilityRow> CapabilityRows() { return kRows; }

std::vector<uint8_t> BuildCapabilityImage() {
  std::vector<uint8_t> image(kTableImageSize, 0);
  image[0] = kTableMinVersion;
  image[1] = kTableMaxVersion;
  for (const CapabilityRow& row : kRows) {
    for (size_t c = 0; c < row.entries.size(); ++c) {
      const size_t at = EntryOffset(row.index, static_cast<int>(c));
      for (size_t b = 0; b < 4; ++b)
        image[at + b] = static_cast<uint8_t>(row.entries[c] >> (8 * b));
    }
  }
  const uint8_t trailer[4] = {0x7A, 0x1F, 0x00, 0x00};
  for (size_t b = 0; b < 4; ++b) image[kTableImageSize - 4 + b] = trailer[b];
  return image;
}

CapabilityEntry EntryInImage(std::span<const uint8_t> image, int index, uint8_t version,
                             uint8_t minVersion) {
  if (index < 0 || version < minVersion) return 0;
  const int column = version - minVersion;
  if (static_cast<size_t>(column) >= kTableColumns) return 0;
  const size_t at = EntryOffset(index, column);
  if (at + 4 > image.size()) return 0;
  return static_cast<CapabilityEntry>(image[at]) |
         static_cast<CapabilityEntry>(image[at + 1]) << 8 |
         static_cast<CapabilityEntry>(image[at + 2]) << 16 |
         static_cast<CapabilityEntry>(image[at + 3]) << 24;
}

CapabilityEntry CapabilityFor(int index, uint8_t version) {
  if (version < kTableMinVersion || version > kTableMaxVersion) return 0;
  for (const CapabilityRow& row : kRows) {
    if (row.index == index) return row.entries[version - kTableMinVersion];
  }
  return 0;
}

}  // namespace varnolo
