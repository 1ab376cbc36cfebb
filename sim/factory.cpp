// The memory image a register leaves the factory with.
#include <algorithm>

#include "layout.h"
#include "register.h"
#include "session/capability_indices.h"

namespace varnolo::sim {
namespace {

void FillFF(std::span<uint8_t> bytes) { std::fill(bytes.begin(), bytes.end(), uint8_t{0xFF}); }

}  // namespace

void Register::FactoryReset() {
  memory_ = Memory{};
  routineResult_ = {};
  annulmentPrepared_ = false;
  heldBack_.clear();
  display_.clear();
  auto data = std::span(memory_.data);
  auto working = std::span(memory_.working);

  // Texts and names have never been written.
  FillFF(data.subspan(at::kHeader, at::kNamesEnd - at::kHeader));
  // Neither has any goods entry: the first byte of each slot marks it empty.
  for (size_t a = at::kGoodsEntries + 25; a < at::kGoodsEntriesEnd; a += 25) data[a] = 0xFF;
  for (size_t a = 0; a + 25 <= memory_.goods.size(); a += 25) memory_.goods[a] = 0xFF;

  // Rates 0: BCD zeros with their zero checksums.
  std::fill_n(data.begin() + at::kDiscountRate, 0x01D7 - at::kDiscountRate, 0);

  // Configuration: 16 sections, no cashier registration, goods base, extended
  // checks and taxes on; each held three times in data memory and once in
  // working memory.
  struct Setting {
    uint16_t slot;
    int capabilityIndex;
    uint8_t value;
  };
  const Setting settings[] = {
      {at::kSectionCount, cap::kSectionCountByte, 15},
      {at::kUseCashiers, cap::kUseCashiersByte, 0},
      {at::kOption02, cap::kOption02Byte, 0},
      {at::kUseGoodsBase, cap::kUseGoodsBaseByte, 1},
      {at::kUseTaxes, cap::kUseTaxesByte, 1},
      {at::kExtendedChecks, cap::kExtendedChecksByte, 1},
      {0x01D7, cap::kDigits, 2},
      {0x0191, cap::kPrintMode1, 1},
      {0x0194, cap::kPrintMode2, 6},
      {0x01DA, cap::kInputMode, 0},
      {0x01DD, cap::kSound, 1},
  };
  for (const Setting& s : settings) {
    std::fill_n(data.begin() + s.slot, 3, s.value);
    working[Address(s.capabilityIndex)] = s.value;
  }
  std::fill_n(data.begin() + 0x0592, 3, uint8_t{30});  // suspend time 3 (stored x10)
  if (const uint16_t a = Address(cap::kSuspendTime); a != 0) working[a] = 30;
  working[Address(cap::kTaxModeByte)] = 3;

  data[at::kCashierNumber] = 1;
  working[Address(cap::kCurrentCashier)] = 1;
  working[Address(cap::kReportOutsideShift)] = 1;  // reports may be printed outside a shift
  PutBe(working.subspan(Address(cap::kGoodsBaseSize), 2),
        static_cast<uint16_t>(options_.goodsBase));
  working[at::kFirmwareVersion] = options_.firmware;
  changed_ = true;
}

}  // namespace varnolo::sim
