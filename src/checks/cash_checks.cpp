// Cash in and cash out: documents without goods lines that move the drawer's cash.
#include "checks/available_cash.h"
#include "checks/document_sequence.h"
#include "link/register_link.h"
#include "session/export_guard.h"
#include "session/session.h"
#include "settings/decimal.h"

namespace varnolo {
namespace {

// Cash documents add one tape entry with the goods base on and two without.
uint32_t CashReserve() { return 20 + (TheSession().configuration.useGoodsBase != 0 ? 1u : 2u); }

ResultCode RunCashDocument(double amount, uint8_t documentKind) {
  DocumentPlan plan;
  plan.totals = [amount, documentKind](const DocumentSums&, bool, CheckTotalsRecord& r) {
    FillTotals(r, 1, documentKind, true, {amount, 0, false, 0}, false);
    std::fill(r.begin() + totals::kTaxTotal, r.begin() + totals::kBinaryTotal, 0);
  };
  plan.runTimeoutMs = kCashDocumentRunTimeoutMs;
  return RunDocument(plan);
}

ResultCode CashIn(double amount) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  TruncateDecimals(&amount, 2);
  // A negative amount has no digit form.
  if (!FiniteWithin(amount, 0, 99999.99)) return kOutOfRange;
  CallFrame frame;
  if (const ResultCode r = ShiftAndCapacityTest(CashReserve(), TapeLimit()); r != kOk) return r;
  return RunCashDocument(amount, kCashInDocument);
}

ResultCode CashOut(double amount) {
  CallFrame frame;
  if (!TheLink().IsPortOpen()) return kPortClosed;
  TruncateDecimals(&amount, 2);
  if (!FiniteWithin(amount, 0.01, 9999999999.99)) return kOutOfRange;
  if (const ResultCode r = ShiftAndCapacityTest(CashReserve(), TapeLimit(), ShiftRule::kRequired);
      r != kOk) {
    return r;
  }
  if (const ResultCode r = QueryAvailableCash(amount); r != kOk) return r;
  return RunCashDocument(amount, kCashOutDocument);
}

}  // namespace
}  // namespace varnolo

extern "C" {

ResultCode VARNOLO_CALL CRCreateInputCheck(double amount) {
  return varnolo::Guarded([&] { return varnolo::CashIn(amount); });
}

ResultCode VARNOLO_CALL CRCreateTakeoffCheck(double amount) {
  return varnolo::Guarded([&] { return varnolo::CashOut(amount); });
}

}  // extern "C"
