// Pack and money-back checks: one line that pays a sum out of the drawer
// against a section.
#include "checks/available_cash.h"
#include "checks/document_sequence.h"
#include "checks/encoding.h"
#include "link/register_link.h"
#include "session/export_guard.h"
#include "session/session.h"
#include "settings/decimal.h"

namespace varnolo {
namespace {

constexpr uint32_t kReserve = 21;

ResultCode CreatePayOut(uint32_t section, double amount, uint8_t documentKind) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  TruncateDecimals(&amount, 2);
  if (section < 1 || section > 16) return kOutOfRange;
  if (!FiniteWithin(amount, 0.01, 99999.99)) return kOutOfRange;
  CallFrame frame;
  if (section > TheSession().configuration.sectionCount) return kConfiguration;
  if (const ResultCode r = ShiftAndCapacityTest(kReserve, TapeLimit(), ShiftRule::kRequired);
      r != kOk)
    return r;
  if (const ResultCode r = QueryAvailableCash(amount); r != kOk) return r;

  const bool moneyBack = documentKind == kMoneyBackDocument;
  DocumentPlan plan;
  plan.lineCount = 1;
  plan.line = [=](size_t, CheckLineRecord& r, DocumentSums& sums, bool&) {
    r.fill(0);
    auto at = [&r](size_t offset, size_t n) { return std::span(r).subspan(offset, n); };
    r[line::kSection] = static_cast<uint8_t>(section);
    EncodeDigits(at(line::kPrice, 7), amount);
    if (moneyBack) {
      EncodeDigits(at(line::kLineSum, 7), amount);
      EncodeDigits(at(line::kSumWithTax, 7), amount);
    }
    PutBe24(at(line::kRoundedSum, 3), static_cast<uint32_t>(RoundedHundredths(amount)));
    sums.total = amount;
    return kOk;
  };
  plan.totals = [documentKind](const DocumentSums& sums, bool, CheckTotalsRecord& r) {
    FillTotals(r, 1, documentKind, true, {sums.total, 0, false, 0}, false);
    std::fill(r.begin() + totals::kTaxTotal, r.begin() + totals::kBinaryTotal, 0);
  };
  plan.runTimeoutMs = kCashDocumentRunTimeoutMs;
  return RunDocument(plan);
}

}  // namespace
}  // namespace varnolo

extern "C" {

ResultCode VARNOLO_CALL CRCreatePackCheck(uint32_t section, double amount) {
  return varnolo::Guarded(
      [&] { return varnolo::CreatePayOut(section, amount, varnolo::kPackDocument); });
}

ResultCode VARNOLO_CALL CRCreateMoneyBackCheck(uint32_t section, double amount) {
  return varnolo::Guarded(
      [&] { return varnolo::CreatePayOut(section, amount, varnolo::kMoneyBackDocument); });
}

}  // extern "C"
