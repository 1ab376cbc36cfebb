#include "settings/goods_base.h"

#include <cstring>

#include "link/primitives.h"
#include "link/register_link.h"
#include "session/capability_indices.h"
#include "session/export_guard.h"
#include "session/session.h"
#include "settings/decimal.h"
#include "settings/text_codec.h"

namespace varnolo {
namespace {

constexpr uint8_t kEmptySlot = 0xFF;
constexpr uint8_t kComputedCheckDigit = 15;
constexpr uint32_t kDataMemoryEntries = 500;
constexpr uint32_t kLargestBase = 1800;

struct Slot {
  bool inGoodsMemory;
  uint16_t address;
};

// Where entry n lives; false when the base has no such entry.
bool Place(uint32_t n, int32_t baseSize, Slot& slot) {
  if (n >= 1 && n <= kDataMemoryEntries) {
    slot = {false, static_cast<uint16_t>(0x057F + 25 * n)};
    return true;
  }
  if (baseSize <= 500 || n == 0 || n > kLargestBase) return false;
  slot = {true, static_cast<uint16_t>(25 * (n - 501))};
  return true;
}

ResultCode WriteSlot(const Slot& slot, std::span<const uint8_t> bytes) {
  const uint32_t reg = TheSession().registerNumber;
  return slot.inGoodsMemory ? WriteGoodsMemory(reg, slot.address, bytes)
                            : WriteDataMemory(reg, slot.address, bytes);
}

ResultCode ReadSlot(const Slot& slot, std::span<uint8_t> bytes) {
  const uint32_t reg = TheSession().registerNumber;
  return slot.inGoodsMemory ? ReadGoodsMemory(reg, slot.address, bytes)
                            : ReadDataMemory(reg, slot.address, bytes);
}

bool BarcodeDigits(const char* barcode) {
  for (int i = 0; i < 13; ++i) {
    if (barcode[i] < '0' || barcode[i] > '9') return false;
  }
  return true;
}

}  // namespace

char EanCheckDigit(const char* d) {
  int odd = 0;
  int even = 0;
  for (int i = 0; i < 12; ++i) ((i % 2 == 0) ? odd : even) += d[i] - '0';
  return static_cast<char>('0' + (10 - (odd + 3 * even) % 10) % 10);
}

bool PackGoodsEntry(const GoodsEntry& e, PackedGoodsEntry& p) {
  const bool hasBarcode = e.barcode[0] != 0;
  if (hasBarcode && !BarcodeDigits(e.barcode)) return false;
  if (!FiniteWithin(e.price, 0, 99999.99)) return false;
  if (e.section < 1 || e.section > 16) return false;

  p.fill(0);
  std::memset(p.data(), ' ', 15);
  p[14] = 0;
  const size_t n = strnlen(e.name, 15);
  char name[15];
  std::memcpy(name, e.name, n);
  ToOem(name, n);
  std::memcpy(p.data(), name, n);

  uint8_t nibble = 0;
  if (hasBarcode) {
    const auto packed = PackDecimal(std::span<const char, 12>(e.barcode, 12));
    std::memcpy(&p[15], packed.data(), packed.size());
    nibble = e.byPieces == 2 ? kComputedCheckDigit : static_cast<uint8_t>(e.barcode[12] - '0');
  }
  p[23] = static_cast<uint8_t>(nibble + (e.section - 1) * 16);
  const uint64_t h = Hundredths(e.price);
  p[20] = static_cast<uint8_t>(h >> 16);
  p[21] = static_cast<uint8_t>(h >> 8);
  p[22] = static_cast<uint8_t>(h);
  uint8_t s = 0;
  for (int i = 0; i < 24; ++i) s = static_cast<uint8_t>(s + p[static_cast<size_t>(i)]);
  p[24] = e.byPieces == 0 ? static_cast<uint8_t>((s | 0x80) + 1) : static_cast<uint8_t>(s & 0x7F);
  return true;
}

void UnpackGoodsEntry(const PackedGoodsEntry& p, GoodsEntry& e) {
  std::memcpy(e.name, p.data(), 15);
  e.name[15] = 0;
  FromOem(e.name, 16);
  UnpackDecimal(std::span<char, 14>(e.barcode, 14), std::span<const uint8_t, 5>(&p[15], 5));
  const uint8_t nibble = p[23] & 0x0F;
  e.barcode[12] =
      nibble == kComputedCheckDigit ? EanCheckDigit(e.barcode) : static_cast<char>('0' + nibble);
  e.price = (p[20] * 65536.0 + p[21] * 256.0 + p[22]) * 0.01;
  e.byPieces = nibble == kComputedCheckDigit ? 2 : (p[24] & 0x80) == 0 ? 1 : 0;
  e.section = static_cast<uint32_t>(p[23] >> 4) + 1;
}

}  // namespace varnolo

using namespace varnolo;

extern "C" {

ResultCode VARNOLO_CALL CRSetInternalGBEntry(const GoodsEntry* entry, uint32_t number) {
  return Guarded([&] {
    CallFrame frame;
    if (const ResultCode shift = ShiftOpenTest(); shift != kOk) return shift;
    int32_t size = 0;
    if (const ResultCode r = CRGetIGBSize(&size); r != kOk) return r;
    Slot slot{};
    if (!Place(number, size, slot)) return kOutOfRange;
    if (entry == nullptr) {
      const uint8_t empty = kEmptySlot;
      return WriteSlot(slot, {&empty, 1});
    }
    PackedGoodsEntry packed{};
    if (!PackGoodsEntry(*entry, packed)) return kOutOfRange;
    return WriteSlot(slot, packed);
  });
}

ResultCode VARNOLO_CALL CRGetInternalGBEntry(GoodsEntry* entry, uint32_t number) {
  if (entry == nullptr) return kOutOfRange;
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    CallFrame frame;
    uint8_t size[2] = {};
    ResultCode r = ReadWorkingMemory(TheSession().registerNumber,
                                     CapabilityAddress(cap::kGoodsBaseSize), size);
    if (r != kOk) return r;
    Slot slot{};
    if (!Place(number, size[0] << 8 | size[1], slot)) return kOutOfRange;
    PackedGoodsEntry packed{};
    r = ReadSlot(slot, packed);
    if (r != kOk) return r;
    if (packed[0] == kEmptySlot) return kGoodsEmpty;
    UnpackGoodsEntry(packed, *entry);
    return kOk;
  });
}

}  // extern "C"
