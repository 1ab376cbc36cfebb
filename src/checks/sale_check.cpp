// Sale checks of 1 to 20 free-price lines, plain or with names and barcodes.
#include <cmath>

#include "checks/document_sequence.h"
#include "checks/line_pricing.h"
#include "link/register_link.h"
#include "session/export_guard.h"
#include "session/session.h"
#include "settings/decimal.h"

namespace varnolo {
namespace {

constexpr double kMaxPaid = 99999999.99;  // ten digits in the totals record

// An amount paid the totals record can hold. A cash amount below the total,
// a negative one included, is the payment test's to refuse, after the lines.
bool PaidHasDigitForm(double paid, bool cash) {
  if (!std::isfinite(paid) || paid > kMaxPaid) return false;
  return cash || paid >= 0;
}

bool BarcodeValid(const char* b) {
  if (b[0] == 0) return true;
  for (int i = 0; i < 13; ++i) {
    if (b[i] < '0' || b[i] > '9') return false;
  }
  return true;
}

bool ItemByPieces(const CheckItem&) { return false; }
bool ItemByPieces(const CheckItemEx& item) { return item.byPieces != 0; }
const char* ItemBarcode(const CheckItem&) { return ""; }
const char* ItemBarcode(const CheckItemEx& item) { return item.barcode; }

// The truncations and tests of one line, in their order; the truncated values
// are written back into the caller's record.
template <typename Item>
ResultCode ValidateLine(Item& item, bool extended) {
  const bool pieces = extended && ItemByPieces(item);
  item.discountPercent = TruncatedDecimals(item.discountPercent, 2);
  item.raisePercent = TruncatedDecimals(item.raisePercent, 2);
  item.price = TruncatedDecimals(item.price, 2);
  item.quantity = TruncatedDecimals(item.quantity, pieces ? 0 : 3);
  if (item.section < 1 || item.section > 16) return kOutOfRange;
  if (!FiniteWithin(item.price, 0, 99999.99)) return kOutOfRange;
  const bool quantityOk =
      pieces ? std::isfinite(item.quantity) && item.quantity >= 0 && item.quantity < 999.999
             : FiniteWithin(item.quantity, 0, 65.535);
  if (!quantityOk) return kOutOfRange;
  if (!FiniteWithin(item.raisePercent, 0, 999.99)) return kOutOfRange;
  if (!FiniteWithin(item.discountPercent, 0, 99.99)) return kOutOfRange;
  if (item.taxNumber > 3) return kOutOfRange;
  if (item.quantity * item.price > 99999.99) return kAmountTooLarge;
  if (extended && !BarcodeValid(ItemBarcode(item))) return kOutOfRange;
  if (item.section > TheSession().configuration.sectionCount) return kConfiguration;
  if (extended && TheSession().configuration.extendedChecks == 0) return kConfiguration;
  return kOk;
}

// The fields both kinds of check line have.
template <class Item>
LineInput CommonFields(const Item& item) {
  LineInput in;
  in.section = item.section;
  in.quantity = item.quantity;
  in.price = item.price;
  in.raisePercent = item.raisePercent;
  in.discountPercent = item.discountPercent;
  in.taxNumber = item.taxNumber;
  return in;
}

LineInput Describe(const CheckItem& item) {
  LineInput in = CommonFields(item);
  in.kind = kPlainLine;
  in.quantityField = Thousandths(item.quantity);
  return in;
}

LineInput Describe(const CheckItemEx& item) {
  LineInput in = CommonFields(item);
  in.kind = kNamedLine;
  in.name = item.name;
  in.barcode = item.barcode[0] != 0 ? item.barcode : nullptr;
  in.weighed = item.byPieces == 0;
  in.quantityField =
      item.byPieces != 0 ? static_cast<uint32_t>(item.quantity) : Thousandths(item.quantity);
  return in;
}

template <typename Item>
ResultCode CreateSaleCheck(Item* items, uint32_t count, double paid, int32_t paidGiven,
                           int32_t nonCash, bool extended) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  if (count == 0 || count > kMaxLines) return kOutOfRange;
  if (items == nullptr) return kOutOfRange;
  if (paidGiven != 0 && !PaidHasDigitForm(paid, nonCash == 0)) return kOutOfRange;
  CallFrame frame;
  for (uint32_t i = 0; i < count; ++i) {
    if (const ResultCode r = ValidateLine(items[i], extended); r != kOk) return r;
  }
  if (const ResultCode r = ShiftAndCapacityTest(count + 20, TapeLimit()); r != kOk) return r;

  const bool cash = nonCash == 0;
  const bool paidKnown = paidGiven != 0;
  DocumentPlan plan;
  plan.lineCount = count;
  plan.line = [items](size_t i, CheckLineRecord& record, DocumentSums& sums, bool& anyTax) {
    return PriceLine(Describe(items[i]), record, sums, anyTax);
  };
  if (cash && paidKnown) {
    plan.paymentTest = [paid](const DocumentSums& sums) {
      return paid < sums.total ? kNotEnoughCash : kOk;
    };
  }
  plan.totals = [=](const DocumentSums& sums, bool anyTax, CheckTotalsRecord& r) {
    DocumentSums s = sums;
    s.paidGiven = paidKnown;
    s.paid = paid;
    FillTotals(r, static_cast<uint8_t>(count), cash ? kSaleCash : kSaleNonCash, cash && !paidKnown,
               s, anyTax);
  };
  plan.runTimeoutMs = 5000 * count + 4000;
  return RunDocument(plan);
}

}  // namespace
}  // namespace varnolo

using namespace varnolo;

extern "C" {

ResultCode VARNOLO_CALL CRCreateCheck(CheckItem* items, uint32_t count, double paid,
                                      int32_t paidGiven, int32_t nonCash) {
  return Guarded([&] { return CreateSaleCheck(items, count, paid, paidGiven, nonCash, false); });
}

ResultCode VARNOLO_CALL CRCreateCheckEx(CheckItemEx* items, uint32_t count, double paid,
                                        int32_t paidGiven, int32_t nonCash) {
  return Guarded([&] { return CreateSaleCheck(items, count, paid, paidGiven, nonCash, true); });
}

}  // extern "C"
