#include "checks/check_records.h"

#include <span>

#include "checks/encoding.h"
#include "settings/decimal.h"

namespace varnolo {

void FillTotals(CheckTotalsRecord& r, uint8_t lines, uint8_t documentKind, bool noPaidAmount,
                const DocumentSums& sums, bool anyTax) {
  r.fill(0);
  auto at = [&r](size_t offset, size_t n) { return std::span(r).subspan(offset, n); };
  r[totals::kLines] = lines;
  r[totals::kTaxFlag] = anyTax ? 1 : 0;
  r[totals::kNoPaidAmount] = noPaidAmount ? 1 : 0;
  r[totals::kDocumentKind] = documentKind;
  EncodeDigits(at(totals::kTotal, 12), sums.total);
  EncodeDigits(at(totals::kTaxTotal, 10), sums.taxTotal);
  EncodeDigits(at(totals::kNet, 10), sums.total - sums.taxTotal);
  if (sums.paidGiven) {
    EncodeDigits(at(totals::kPaid, 10), sums.paid);
    // A change below zero has no digit form: it is sent as 0.
    const double change = sums.paid - sums.total;
    EncodeDigits(at(totals::kChange, 10), change > 0 ? change : 0);
  }
  std::array<char, 12> digits{};
  for (size_t i = 0; i < digits.size(); ++i)
    digits[i] = static_cast<char>('0' + r[totals::kTotal + i]);
  const auto packed = PackDecimal(digits);
  std::copy(packed.begin(), packed.end(), r.begin() + totals::kBinaryTotal);
}

}  // namespace varnolo
