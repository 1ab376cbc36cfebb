// The firmware capability table: a logical index and the register's firmware
// version give a 32-bit entry (an address, a flag-area offset or a routine
// entry point). Carried in the library's file as the resource "VERSUPP":
// minVersion, maxVersion, 1602 rows of 20 little-endian entries, 4 trailing bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/capability_entry.h"

namespace varnolo {

inline constexpr uint8_t kTableMinVersion = 3;
inline constexpr uint8_t kTableMaxVersion = 7;
inline constexpr size_t kTableRows = 1602;
inline constexpr size_t kTableColumns = 20;
inline constexpr size_t kTableImageSize = 2 + kTableRows * kTableColumns * 4 + 4;  // 128166
inline constexpr uint16_t kTableResourceId = 108;
inline constexpr uint16_t kTableResourceLanguage = 1049;

struct CapabilityRow {
  int index;
  std::array<CapabilityEntry, kTableMaxVersion - kTableMinVersion + 1> entries;
};

// The rows the library uses, in index order.
std::span<const CapabilityRow> CapabilityRows();

// The resource image made from the rows.
std::vector<uint8_t> BuildCapabilityImage();

// The entry at (index, version) of a resource image; 0 outside the image.
CapabilityEntry EntryInImage(std::span<const uint8_t> image, int index, uint8_t version,
                             uint8_t minVersion);

// The entry straight from the rows (the simulator's firmware uses this).
CapabilityEntry CapabilityFor(int index, uint8_t version);

}  // namespace varnolo
