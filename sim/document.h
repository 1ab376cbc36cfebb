// The check records the host lays out in working memory, as the firmware reads
// them back: one 102-byte record per line, then the 63-byte totals record.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace varnolo::sim {

struct LineRecord {
  int section = 0;
  uint64_t price = 0;  // hundredths
  bool quantityFlag = false;
  uint64_t quantityDigits = 0;
  uint64_t amount = 0;
  bool raise = false;
  bool discount = false;
  uint64_t raisePercent = 0;  // hundredths of a percent
  uint64_t discountPercent = 0;
  uint64_t adjustment = 0;
  uint64_t lineSum = 0;
  int kind = 0;
  std::string name;     // code page 866, up to 15 bytes
  std::string barcode;  // 13 digits or empty
  uint16_t goodsNumber = 0;
  bool weighed = false;
  int taxNumber = 0;
  uint64_t taxRaw = 0;
  uint64_t sumWithTax = 0;
  uint32_t roundedLineSum = 0;
  uint32_t roundedTax = 0;
  uint16_t quantity = 0;  // thousandths, or pieces

  static LineRecord Parse(std::span<const uint8_t, 102> r);
};

struct TotalsRecord {
  int lines = 0;
  bool taxFlag = false;
  bool noPaidAmount = false;
  int documentKind = 0;
  uint64_t total = 0;  // hundredths
  uint64_t taxTotal = 0;
  uint64_t net = 0;
  uint64_t paid = 0;
  uint64_t change = 0;
  uint64_t binaryTotal = 0;
  bool decorated = false;

  static TotalsRecord Parse(std::span<const uint8_t, 63> r);
};

// Document kinds in the totals record.
namespace doc {
inline constexpr int kSaleCash = 0;
inline constexpr int kMoneyBack = 1;
inline constexpr int kSaleNonCash = 2;
inline constexpr int kCashIn = 3;
inline constexpr int kCashOut = 4;
inline constexpr int kPack = 7;
}  // namespace doc

// "123.45"
std::string Money(uint64_t hundredths);
std::string Money(int64_t hundredths);
// The amount after a sign mark: "+123.45", "=123.45".
std::string Money(char sign, uint64_t hundredths);

}  // namespace varnolo::sim
