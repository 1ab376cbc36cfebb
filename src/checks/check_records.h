// The records a check is laid out in, in the register's working memory: one
// 102-byte line record per line at 102 x i, then the 63-byte totals record at
// 0x07F8.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace varnolo {

inline constexpr size_t kLineRecordSize = 102;
inline constexpr size_t kTotalsRecordSize = 63;
inline constexpr size_t kMaxLines = 20;
inline constexpr uint16_t kTotalsAddress = 0x07F8;

using CheckLineRecord = std::array<uint8_t, kLineRecordSize>;
using CheckTotalsRecord = std::array<uint8_t, kTotalsRecordSize>;

// Line kinds
inline constexpr uint8_t kPlainLine = 0;
inline constexpr uint8_t kGoodsBaseLine = 1;
inline constexpr uint8_t kNamedLine = 3;

// Document kinds
inline constexpr uint8_t kSaleCash = 0;
inline constexpr uint8_t kMoneyBackDocument = 1;
inline constexpr uint8_t kSaleNonCash = 2;
inline constexpr uint8_t kCashInDocument = 3;
inline constexpr uint8_t kCashOutDocument = 4;
inline constexpr uint8_t kPackDocument = 7;

// Offsets in the line record
namespace line {
inline constexpr size_t kSection = 0, kPrice = 1, kQuantityFlag = 8, kQuantityDigits = 9,
                        kAmount = 15, kRaiseFlag = 22, kDiscountFlag = 23, kRaise = 24,
                        kDiscount = 29, kAdjustment = 33, kLineSum = 40, kKind = 47, kName = 48,
                        kBarcode = 63, kGoodsNumber = 76, kWeighed = 78, kTaxNumber = 79, kTax = 80,
                        kSumWithTax = 87, kRoundedSum = 94, kRoundedTax = 97, kQuantity = 100;
}

// Offsets in the totals record
namespace totals {
inline constexpr size_t kLines = 0, kTaxFlag = 1, kNoPaidAmount = 2, kDocumentKind = 3, kTotal = 5,
                        kTaxTotal = 17, kNet = 27, kPaid = 37, kChange = 47, kBinaryTotal = 57,
                        kDecorated = 62;
}

// The check total, tax total, amount paid and change written into a totals
// record; the 5-byte total is made from the total's 12 digits.
struct DocumentSums {
  double total = 0;
  double taxTotal = 0;
  bool paidGiven = false;
  double paid = 0;
};
void FillTotals(CheckTotalsRecord& r, uint8_t lines, uint8_t documentKind, bool noPaidAmount,
                const DocumentSums& sums, bool anyTax);

}  // namespace varnolo
