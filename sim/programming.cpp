#include "programming.h"

#include <algorithm>
#include <numeric>

#include "code_page_866.h"
#include "layout.h"
#include "session/capability_indices.h"

namespace varnolo::sim {
namespace {

uint8_t Sum(std::span<const uint8_t> bytes) {
  return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

// `n` BCD bytes of `value`, then their checksum.
void PutBcdWithChecksum(std::span<uint8_t> at, size_t n, uint32_t value) {
  for (size_t i = n; i-- > 0; value /= 100) {
    at[i] = static_cast<uint8_t>((value / 10 % 10) << 4 | value % 10);
  }
  at[n] = Sum(at.first(n));
}

void PutDigits(std::span<uint8_t> at, uint32_t value) {
  for (size_t i = at.size(); i-- > 0; value /= 10) at[i] = static_cast<uint8_t>(value % 10);
}

// Two copies of a text field of `width`: the text, a 0 and spaces, a checksum.
void PutTextField(Register& reg, uint16_t address, size_t width, const std::string& utf8) {
  const std::string oem = Utf8ToCp866(utf8).substr(0, width);
  std::vector<uint8_t> copy(width + 1, uint8_t{' '});
  std::copy(oem.begin(), oem.end(), copy.begin());
  if (oem.size() < width) copy[oem.size()] = 0;
  copy[width] = Sum(std::span(copy).first(width));
  auto data = std::span(reg.memory().data);
  std::copy(copy.begin(), copy.end(), data.begin() + address);
  std::copy(copy.begin(), copy.end(),
            data.begin() + address + static_cast<std::ptrdiff_t>(width + 1));
}

// Two copies of a text block of `width`: the text, a 0, its checksum, spaces.
void PutTextBlock(Register& reg, uint16_t address, size_t width, const std::string& utf8) {
  const std::string oem = Utf8ToCp866(utf8).substr(0, width);
  std::vector<uint8_t> copy(width + 1, uint8_t{' '});
  std::copy(oem.begin(), oem.end(), copy.begin());
  const uint8_t sum = Sum(std::span(copy).first(oem.size()));
  if (oem.size() < width) {
    copy[oem.size()] = 0;
    copy[oem.size() + 1] = sum;
  } else {
    copy[width] = sum;
  }
  auto data = std::span(reg.memory().data);
  std::copy(copy.begin(), copy.end(), data.begin() + address);
  std::copy(copy.begin(), copy.end(),
            data.begin() + address + static_cast<std::ptrdiff_t>(width + 1));
}

// The working-memory copy of a name: its characters and a 0 when shorter.
void PutWorkingName(Register& reg, uint16_t address, size_t width, const std::string& utf8) {
  const std::string oem = Utf8ToCp866(utf8).substr(0, width);
  auto working = std::span(reg.memory().working);
  std::copy(oem.begin(), oem.end(), working.begin() + address);
  if (oem.size() < width) working[address + oem.size()] = 0;
}

void PutConfigurationByte(Register& reg, uint16_t slot, int capabilityIndex, uint8_t value) {
  std::fill_n(reg.memory().data.begin() + slot, 3, value);
  reg.memory().working[reg.Address(capabilityIndex)] = value;
}

}  // namespace

bool SetConfiguration(Register& reg, ConfigurationField field, int value) {
  if (field == ConfigurationField::kSections) {
    if (value < 1 || value > 16) return false;
    PutConfigurationByte(reg, at::kSectionCount, cap::kSectionCountByte,
                         static_cast<uint8_t>(value - 1));
    return true;
  }
  if (value != 0 && value != 1) return false;
  const auto v = static_cast<uint8_t>(value);
  switch (field) {
    case ConfigurationField::kUseCashiers:
      PutConfigurationByte(reg, at::kUseCashiers, cap::kUseCashiersByte, v);
      break;
    case ConfigurationField::kUseGoodsBase:
      PutConfigurationByte(reg, at::kUseGoodsBase, cap::kUseGoodsBaseByte, v);
      break;
    case ConfigurationField::kUseTaxes:
      PutConfigurationByte(reg, at::kUseTaxes, cap::kUseTaxesByte, v);
      reg.memory().working[reg.Address(cap::kTaxModeByte)] = value != 0 ? 3 : 0;
      break;
    case ConfigurationField::kExtendedChecks:
      PutConfigurationByte(reg, at::kExtendedChecks, cap::kExtendedChecksByte, v);
      break;
    case ConfigurationField::kSections:
      break;
  }
  return true;
}

bool SetTaxRate(Register& reg, int n, uint32_t hundredths) {
  if (n < 1 || n > 3 || hundredths > 99999) return false;
  PutBcdWithChecksum(std::span(reg.memory().data).subspan(at::kTaxRates + 8 * n, 4), 3, hundredths);
  PutDigits(std::span(reg.memory().working).subspan(reg.Address(cap::kTaxDigits) + 5 * (n - 1), 5),
            hundredths);
  return true;
}

bool SetDiscountRate(Register& reg, uint32_t hundredths) {
  if (hundredths > 9999) return false;
  auto data = std::span(reg.memory().data);
  PutBcdWithChecksum(data.subspan(at::kDiscountRate, 3), 2, hundredths);
  PutBcdWithChecksum(data.subspan(at::kDiscountRate + 3, 3), 2, hundredths);
  PutDigits(std::span(reg.memory().working).subspan(reg.Address(cap::kDiscountDigits), 4),
            hundredths);
  return true;
}

bool SetRaiseRate(Register& reg, uint32_t hundredths) {
  if (hundredths > 99999) return false;
  auto data = std::span(reg.memory().data);
  PutBcdWithChecksum(data.subspan(at::kRaiseRate, 4), 3, hundredths);
  PutBcdWithChecksum(data.subspan(at::kRaiseRate + 4, 4), 3, hundredths);
  PutDigits(std::span(reg.memory().working).subspan(reg.Address(cap::kRaiseDigits), 5), hundredths);
  return true;
}

bool SetTaxName(Register& reg, int n, const std::string& name) {
  if (n < 1 || n > 3) return false;
  PutTextField(reg, static_cast<uint16_t>(at::kTaxNames + 22 * n), 10, name);
  PutWorkingName(reg, static_cast<uint16_t>(reg.Address(cap::kTaxNames) + 10 * (n - 1)), 10, name);
  return true;
}

bool SetDiscountName(Register& reg, const std::string& name) {
  PutTextField(reg, at::kDiscountName, 10, name);
  PutWorkingName(reg, reg.Address(cap::kDiscountName), 10, name);
  return true;
}

bool SetRaiseName(Register& reg, const std::string& name) {
  PutTextField(reg, at::kRaiseName, 10, name);
  PutWorkingName(reg, reg.Address(cap::kRaiseName), 10, name);
  return true;
}

bool SetSectionName(Register& reg, int section, const std::string& name) {
  if (section < 1 || section > 16) return false;
  PutTextField(reg, static_cast<uint16_t>(at::kSectionNames + 32 * section), 15, name);
  return true;
}

bool SetCashierName(Register& reg, int cashier, const std::string& name) {
  if (cashier < 1 || cashier > 8) return false;
  PutTextField(reg, static_cast<uint16_t>(at::kCashierNames + 32 * cashier), 15, name);
  return true;
}

bool SetCurrentCashier(Register& reg, int cashier) {
  if (cashier < 1 || cashier > 8) return false;
  reg.memory().data[at::kCashierNumber] = static_cast<uint8_t>(cashier);
  reg.memory().working[reg.Address(cap::kCurrentCashier)] = static_cast<uint8_t>(cashier);
  return true;
}

void SetHeader(Register& reg, const std::string& text) { PutTextBlock(reg, at::kHeader, 95, text); }

void SetFooter(Register& reg, const std::string& text) { PutTextBlock(reg, at::kFooter, 57, text); }

bool SetGoodsEntry(Register& reg, int number, const GoodsValues& goods) {
  if (number < 1 || number > reg.goodsBase() || goods.price > 9999999 || goods.section < 1 ||
      goods.section > 16) {
    return false;
  }
  const bool barcode = !goods.barcode.empty();
  if (barcode &&
      (goods.barcode.size() != 13 || !std::all_of(goods.barcode.begin(), goods.barcode.end(),
                                                  [](char c) { return c >= '0' && c <= '9'; }))) {
    return false;
  }
  std::array<uint8_t, 25> e{};
  const std::string oem = Utf8ToCp866(goods.name).substr(0, 15);
  std::fill_n(e.begin(), 14, uint8_t{' '});
  std::copy_n(oem.begin(), std::min<size_t>(oem.size(), 14), e.begin());
  e[14] = oem.size() == 15 ? static_cast<uint8_t>(oem[14]) : 0;
  if (barcode) PutBe(std::span(e).subspan(15, 5), std::stoull(goods.barcode.substr(0, 12)));
  PutBe(std::span(e).subspan(20, 3), goods.price);
  e[23] = static_cast<uint8_t>((goods.section - 1) << 4 | (barcode ? goods.barcode[12] - '0' : 0));
  const uint8_t s = Sum(std::span(e).first(24));
  e[24] = goods.byWeight ? static_cast<uint8_t>((s | 0x80) + 1) : static_cast<uint8_t>(s & 0x7F);
  Memory& m = reg.memory();
  uint8_t* to = number <= 500 ? m.data.data() + at::kGoodsEntries + 25 * number
                              : m.goods.data() + 25 * (number - 501);
  std::copy(e.begin(), e.end(), to);
  return true;
}

}  // namespace varnolo::sim
