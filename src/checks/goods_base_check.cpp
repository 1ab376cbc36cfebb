// A one-line sale of an entry of the register's own goods base.
#include <cmath>

#include "checks/document_sequence.h"
#include "checks/line_pricing.h"
#include "link/register_link.h"
#include "session/export_guard.h"
#include "session/session.h"
#include "settings/decimal.h"

namespace varnolo {
namespace {

constexpr uint32_t kReserve = 21;
constexpr uint32_t kLimit = 1600;
constexpr uint32_t kRunTimeoutMs = 20000;

ResultCode CreateGoodsBaseCheck(CheckItem* item, int32_t goodsNumber) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  if (item == nullptr) return kOutOfRange;
  CallFrame frame;
  item->discountPercent = TruncatedDecimals(item->discountPercent, 2);
  item->raisePercent = TruncatedDecimals(item->raisePercent, 2);
  if (!FiniteWithin(item->raisePercent, 0, 999.99) ||
      !FiniteWithin(item->discountPercent, 0, 99.99)) {
    return kOutOfRange;
  }
  GoodsEntry entry{};
  if (const ResultCode r = CRGetInternalGBEntry(&entry, static_cast<uint32_t>(goodsNumber));
      r != kOk)
    return r;
  const bool pieces = entry.byPieces != 0;
  item->quantity = TruncatedDecimals(item->quantity, pieces ? 0 : 3);
  if (pieces ? !FiniteWithin(item->quantity, 1, 999) : !FiniteWithin(item->quantity, 0, 65.535)) {
    return kOutOfRange;
  }
  const Session& s = TheSession();
  if (s.configuration.useGoodsBase == 0) return kConfiguration;
  if (s.configuration.useTaxes != 0 && item->taxNumber > 3) return kOutOfRange;
  if (const ResultCode r = ShiftAndCapacityTest(kReserve, kLimit); r != kOk) return r;
  if (entry.price * item->quantity > 99999.99) return kAmountTooLarge;

  LineInput in;
  in.section = entry.section;
  in.quantity = item->quantity;
  in.price = entry.price;
  in.raisePercent = item->raisePercent;
  in.discountPercent = item->discountPercent;
  in.taxNumber = item->taxNumber;
  in.kind = kGoodsBaseLine;
  in.name = entry.name;
  in.barcode = entry.barcode;
  in.goodsNumber = static_cast<uint16_t>(goodsNumber);
  in.weighed = entry.byPieces != 1;
  in.quantityField = pieces ? static_cast<uint32_t>(item->quantity) : Thousandths(item->quantity);

  DocumentPlan plan;
  plan.lineCount = 1;
  plan.line = [&in](size_t, CheckLineRecord& record, DocumentSums& sums, bool& anyTax) {
    return PriceLine(in, record, sums, anyTax);
  };
  plan.totals = [](const DocumentSums& sums, bool anyTax, CheckTotalsRecord& r) {
    FillTotals(r, 1, kSaleCash, true, sums, anyTax);
  };
  plan.runTimeoutMs = kRunTimeoutMs;
  return RunDocument(plan);
}

}  // namespace
}  // namespace varnolo

extern "C" ResultCode VARNOLO_CALL CRCreateIntGBCheck(CheckItem* item, int32_t goodsNumber) {
  return varnolo::Guarded([&] { return varnolo::CreateGoodsBaseCheck(item, goodsNumber); });
}
