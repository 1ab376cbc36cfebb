#include "checks/document_sequence.h"

#include "session/capability_indices.h"
#include "session/session.h"

namespace varnolo {
namespace {

constexpr uint8_t kShiftMayGoOn = 1;
constexpr uint32_t kTapeWithGoodsBase = 1600;
constexpr uint32_t kTapeWithoutGoodsBase = 2515;

// Resets the document after a late test refused it.
ResultCode Abandon(ResultCode reason) {
  const ResultCode r = DocumentAction(cap::kDocumentReset, kActionTimeoutMs);
  return r != kOk ? r : reason;
}

}  // namespace

ResultCode DocumentAction(int capabilityIndex, uint32_t timeoutMs) {
  return CallRoutine(TheSession().registerNumber, 0, 0, LookupCapability(capabilityIndex), 0, {},
                     timeoutMs);
}

ResultCode VerifyShiftState() {
  CallFrame frame;
  ResultCode r = DocumentAction(cap::kVerifyShift, kActionTimeoutMs);
  if (r != kOk) return r;
  uint8_t status = 0;
  r = ReadRoutineResult(TheSession().registerNumber, 1, {&status, 1});
  if (r != kOk) return r;
  return status == kShiftMayGoOn ? kOk : kShiftRefused;
}

uint32_t TapeLimit() {
  return TheSession().configuration.useGoodsBase != 0 ? kTapeWithGoodsBase : kTapeWithoutGoodsBase;
}

ResultCode ReadFillCounter(uint16_t& count) {
  uint8_t bytes[2] = {};
  const ResultCode r = ReadWorkingMemory(TheSession().registerNumber,
                                         CapabilityAddress(cap::kTapeFillCounter), bytes);
  if (r == kOk) count = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
  return r;
}

ResultCode ShiftAndCapacityTest(uint32_t reserve, uint32_t limit, ShiftRule rule) {
  const ResultCode shift = ShiftOpenTest();
  if (shift != kOk && shift != kShiftOpen) return shift;
  if (shift == kOk && rule == ShiftRule::kRequired) return kWrongState;
  uint16_t fill = 0;
  if (shift == kShiftOpen) {
    if (const ResultCode r = VerifyShiftState(); r != kOk) return r;
    if (const ResultCode r = ReadFillCounter(fill); r != kOk) return r;
  }
  return fill + reserve < limit ? kOk : kTapeFull;
}

ResultCode RunDocument(const DocumentPlan& plan) {
  const uint32_t reg = TheSession().registerNumber;
  ResultCode r = DocumentAction(cap::kDocumentReset, kActionTimeoutMs);
  if (r != kOk) return r;

  DocumentSums sums;
  bool anyTax = false;
  for (size_t i = 0; i < plan.lineCount; ++i) {
    CheckLineRecord record{};
    r = plan.line(i, record, sums, anyTax);
    if (r == kAmountTooLarge) return Abandon(r);
    if (r != kOk) return r;
    r = WriteWorkingMemory(reg, static_cast<uint16_t>(kLineRecordSize * i), record);
    if (r != kOk) return r;
  }
  if (plan.paymentTest) {
    r = plan.paymentTest(sums);
    if (r == kNotEnoughCash) return Abandon(r);
    if (r != kOk) return r;
  }
  CheckTotalsRecord totals{};
  plan.totals(sums, anyTax, totals);
  r = WriteWorkingMemory(reg, kTotalsAddress, totals);
  if (r != kOk) return r;

  r = plan.textBlock
          ? CallRoutineWithBlock(reg, LookupCapability(cap::kDocumentRun), *plan.textBlock)
          : DocumentAction(cap::kDocumentRun, plan.runTimeoutMs);
  if (r != kOk) return r;
  return DocumentAction(cap::kDocumentReset, kActionTimeoutMs);
}

}  // namespace varnolo
