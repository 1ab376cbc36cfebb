#include "checks/line_pricing.h"

#include <cmath>
#include <cstring>
#include <span>

#include "checks/encoding.h"
#include "session/session.h"
#include "settings/text_codec.h"

namespace varnolo {
namespace {

constexpr double kLineLimit = 99999.99;

}  // namespace

uint32_t Thousandths(double quantity) {
  return static_cast<uint32_t>(std::floor(quantity * 1000 + 0.5));
}

ResultCode PriceLine(const LineInput& in, CheckLineRecord& r, DocumentSums& sums, bool& anyTax) {
  r.fill(0);
  auto at = [&r](size_t offset, size_t n) { return std::span(r).subspan(offset, n); };
  const double amount = in.quantity * in.price;
  const double adjustment = (in.raisePercent - in.discountPercent) * amount * 0.01;
  const double lineSum = amount + adjustment;
  if (lineSum > kLineLimit) return kAmountTooLarge;

  const uint32_t taxNumber = TheSession().configuration.useTaxes != 0 ? in.taxNumber : 0;
  double tax = 0;
  if (taxNumber != 0) {
    double rate = 0;
    const ResultCode rr = CRGetTaxVal(&rate, taxNumber);
    if (rr != kOk) return rr;
    tax = rate * lineSum * 0.01;
  }
  const double roundedTax = RoundHundredths(tax);
  if (lineSum + roundedTax > kLineLimit) return kAmountTooLarge;

  r[line::kSection] = static_cast<uint8_t>(in.section);
  EncodeDigits(at(line::kPrice, 7), in.price);
  const bool quantityFlag = in.quantity != 1.0;
  r[line::kQuantityFlag] = quantityFlag ? 1 : 0;
  if (quantityFlag) {
    EncodeDigits(at(line::kQuantityDigits, 6), in.quantity * 10);
  } else {
    r[line::kQuantityDigits + 5] = 1;
  }
  EncodeDigits(at(line::kAmount, 7), amount);
  r[line::kRaiseFlag] = in.raisePercent != 0 ? 1 : 0;
  r[line::kDiscountFlag] = in.discountPercent != 0 ? 1 : 0;
  EncodeDigits(at(line::kRaise, 5), in.raisePercent);
  EncodeDigits(at(line::kDiscount, 4), in.discountPercent);
  EncodeDigits(at(line::kAdjustment, 7), std::fabs(adjustment));
  EncodeDigits(at(line::kLineSum, 7), lineSum);
  r[line::kKind] = in.kind;
  if (in.name != nullptr) {
    char name[15];
    std::memcpy(name, in.name, sizeof name);
    ToOem(name, sizeof name);
    std::memcpy(&r[line::kName], name, sizeof name);
  }
  if (in.barcode != nullptr) {
    for (size_t i = 0; i < 13; ++i)
      r[line::kBarcode + i] = static_cast<uint8_t>(in.barcode[i] - '0');
  }
  PutBe16(at(line::kGoodsNumber, 2), in.goodsNumber);
  r[line::kWeighed] = in.weighed ? 1 : 0;
  r[line::kTaxNumber] = static_cast<uint8_t>(taxNumber);
  if (taxNumber != 0) EncodeDigits(at(line::kTax, 7), tax);
  EncodeDigits(at(line::kSumWithTax, 7), lineSum + roundedTax);
  PutBe24(at(line::kRoundedSum, 3), static_cast<uint32_t>(RoundedHundredths(lineSum)));
  if (taxNumber != 0)
    PutBe24(at(line::kRoundedTax, 3), static_cast<uint32_t>(RoundedHundredths(tax)));
  PutBe16(at(line::kQuantity, 2), in.quantityField);

  anyTax = anyTax || taxNumber != 0;
  sums.taxTotal += roundedTax;
  sums.total += RoundHundredths(lineSum) + roundedTax;
  return kOk;
}

}  // namespace varnolo
