// Reports, shift closing and the register's trade totals.
#include <array>
#include <vector>

#include "checks/encoding.h"
#include "link/primitives.h"
#include "link/register_link.h"
#include "session/capability_indices.h"
#include "session/export_guard.h"
#include "session/session.h"

namespace varnolo {
namespace {

constexpr uint32_t kReportTimeoutMs = 600000;
constexpr uint8_t kModeInShift = 0;
constexpr uint8_t kModeOutsideShift = 1;

struct ReportRoutine {
  int routine;
  int parameter;
};

ReportRoutine RoutineFor(int32_t kind) {
  switch (kind) {
    case CR_REPORT_CASHIERS:
      return {cap::kReport1, cap::kReport1Parameter};
    case CR_REPORT_SECTIONS:
      return {cap::kReport2, cap::kReport2Parameter};
    case CR_REPORT_HOURLY:
      return {cap::kReport3, cap::kReport3Parameter};
    case CR_REPORT_GOODS:
      return {cap::kReport4, cap::kReport4Parameter};
    default:
      return {cap::kReport5, cap::kReport5Parameter};
  }
}

ResultCode ReadWorkingByte(int capabilityIndex, uint8_t& value) {
  return ReadWorkingMemory(TheSession().registerNumber, CapabilityAddress(capabilityIndex),
                           {&value, 1});
}

ResultCode Report(int32_t kind) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  CallFrame frame;
  uint8_t cashiers = 0;
  if (const ResultCode r = ReadWorkingByte(cap::kUseCashiersByte, cashiers); r != kOk) return r;
  if (cashiers == 0 && kind == CR_REPORT_CASHIERS) return kConfiguration;
  uint8_t forbidden = 0;
  if (const ResultCode r = ReadWorkingByte(cap::kReport4Forbidden, forbidden); r != kOk) return r;
  if (forbidden != 0 && kind == CR_REPORT_GOODS) return kConfiguration;

  uint8_t mode = kModeInShift;
  const ResultCode shift = ShiftOpenTest();
  if (shift == kOk) {
    uint8_t outsideAllowed = 0;
    if (const ResultCode r = ReadWorkingByte(cap::kReportOutsideShift, outsideAllowed); r != kOk)
      return r;
    if (outsideAllowed == 0) return kWrongState;
    mode = kModeOutsideShift;
  } else if (shift != kShiftOpen) {
    return shift;
  }
  const ReportRoutine routine = RoutineFor(kind);
  return CallRoutine(TheSession().registerNumber, 1, 1, LookupCapability(routine.routine),
                     LookupCapability(routine.parameter), {&mode, 1}, kReportTimeoutMs);
}

ResultCode CloseShift() {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  CallFrame frame;
  const ResultCode shift = ShiftOpenTest();
  if (shift == kOk) return kWrongState;
  if (shift != kShiftOpen) return shift;
  return CallRoutine(TheSession().registerNumber, 0, 0, LookupCapability(cap::kCloseShift), 0, {},
                     kReportTimeoutMs);
}

// One scope of the totals: where its blocks are and how they are laid out.
struct TotalsScope {
  int amountsIndex;
  int countersIndex;
  size_t columns;  // 1, 8 cashiers or 16 sections
  size_t amounts;  // rows used
  size_t counters;
  size_t amountRows;  // rows held
  size_t counterRows;
};

constexpr TotalsScope kRegisterScope{
    cap::kRegisterAmounts, cap::kRegisterCounters, 1, 18, 11, 18, 11};
constexpr TotalsScope kCashierScope{cap::kCashierAmounts, cap::kCashierCounters, 8, 18, 11, 18, 11};
constexpr TotalsScope kSectionScope{cap::kSectionAmounts, cap::kSectionCounters, 16, 14, 7, 14, 7};

ResultCode TradeResults(TradeTotals* totals, TradeCounters* counters, uint32_t index,
                        int32_t byCashier) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  if (totals == nullptr || counters == nullptr) return kOutOfRange;
  if (byCashier != 0 && index > 8) return kOutOfRange;
  CallFrame frame;
  const RegisterConfiguration& config = TheSession().configuration;
  if (byCashier == 0 && index > config.sectionCount) return kConfiguration;
  if (byCashier == 0 && index > 16) return kOutOfRange;
  if (byCashier != 0 && config.useCashiers == 0) index = 0;

  const TotalsScope& scope = index == 0       ? kRegisterScope
                             : byCashier != 0 ? kCashierScope
                                              : kSectionScope;
  const size_t column = index == 0 ? 0 : index - 1;
  const uint32_t reg = TheSession().registerNumber;

  std::vector<uint8_t> block(scope.amountRows * scope.columns * 5);
  ResultCode r = ReadWorkingMemory(reg, CapabilityAddress(scope.amountsIndex), block);
  if (r != kOk) return r;
  for (size_t k = 0; k < 18; ++k) {
    const size_t at = 5 * (k * scope.columns + column);
    totals->value[k] =
        k < scope.amounts ? AmountFromBigEndian(std::span(block).subspan(at, 5)) : 0.0;
  }
  block.assign(scope.counterRows * scope.columns * 2, 0);
  r = ReadWorkingMemory(reg, CapabilityAddress(scope.countersIndex), block);
  if (r != kOk) return r;
  for (size_t k = 0; k < 11; ++k) {
    const size_t at = 2 * (k * scope.columns + column);
    counters->count[k] = k < scope.counters ? block[at] * 256 + block[at + 1] : 0;
  }
  return kOk;
}

}  // namespace
}  // namespace varnolo

using namespace varnolo;

extern "C" {

ResultCode VARNOLO_CALL CRReport(int32_t kind) {
  return Guarded([&] { return Report(kind); });
}

ResultCode VARNOLO_CALL CRCloseSwitch(void) {
  return Guarded([] { return CloseShift(); });
}

ResultCode VARNOLO_CALL CRGetTradeResults(TradeTotals* totals, TradeCounters* counters,
                                          uint32_t index, int32_t byCashier) {
  return Guarded([&] { return TradeResults(totals, counters, index, byCashier); });
}

}  // extern "C"
