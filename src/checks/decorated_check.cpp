// A check of one amount with a free 255-byte text block that travels with the
// run command. The caller's record is not changed.
#include <cmath>
#include <cstring>

#include "checks/document_sequence.h"
#include "checks/encoding.h"
#include "link/register_link.h"
#include "session/export_guard.h"
#include "session/session.h"
#include "settings/decimal.h"
#include "settings/text_codec.h"

namespace varnolo {
namespace {

constexpr uint32_t kReserve = 21;
// The largest amount the other check kinds accept for a line; the line's
// 3-byte field could carry 167772.15, the totals' 12 digits far more.
constexpr double kMaxAmount = 99999.99;

void FillLine(CheckLineRecord& r, double amount) {
  r.fill(0);
  r[line::kSection] = 1;
  r[line::kKind] = kGoodsBaseLine;
  r[line::kName] = 3;
  r[line::kName + 2] = 2;
  r[line::kGoodsNumber] = 0x01;
  PutBe24(std::span(r).subspan(line::kRoundedSum, 3),
          static_cast<uint32_t>(RoundedHundredths(amount)));
}

ResultCode CreateDecoratedCheck(const DecoratedCheck* check) {
  CallFrame frame;
  if (!TheLink().IsPortOpen()) return kPortClosed;
  if (check == nullptr) return kOutOfRange;
  DecoratedCheck copy;
  std::memcpy(&copy, check, sizeof copy);
  copy.amount = TruncatedDecimals(copy.amount, 2);
  if (!std::isfinite(copy.amount) || copy.amount < 0) return kOutOfRange;
  if (copy.amount > kMaxAmount) return kAmountTooLarge;
  if (const ResultCode r = ShiftAndCapacityTest(kReserve, TapeLimit()); r != kOk) return r;

  DocumentPlan plan;
  plan.lineCount = 1;
  const double amount = copy.amount;
  plan.line = [amount](size_t, CheckLineRecord& record, DocumentSums& sums, bool&) {
    FillLine(record, amount);
    sums.total = amount;
    return kOk;
  };
  plan.totals = [](const DocumentSums& sums, bool, CheckTotalsRecord& r) {
    FillTotals(r, 1, kSaleCash, true, {sums.total, 0, false, 0}, false);
    std::fill(r.begin() + totals::kTaxTotal, r.begin() + totals::kBinaryTotal, 0);
    r[totals::kDecorated] = 1;
  };
  std::array<uint8_t, kRoutineBlockSize> text{};
  ToOem(copy.text, kRoutineBlockSize);
  std::memcpy(text.data(), copy.text, kRoutineBlockSize);
  plan.textBlock = text;
  return RunDocument(plan);
}

}  // namespace
}  // namespace varnolo

extern "C" ResultCode VARNOLO_CALL CRCreateDecoratedCheck(const DecoratedCheck* check) {
  return varnolo::Guarded([&] { return varnolo::CreateDecoratedCheck(check); });
}
