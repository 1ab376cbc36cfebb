// What every fiscal document shares: the shift verification and the tape
// capacity test before it, and the sequence that lays it out in working
// memory and has the register run it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "checks/check_records.h"
#include "link/primitives.h"
#include "link/result.h"

namespace varnolo {

inline constexpr uint32_t kActionTimeoutMs = 10000;
inline constexpr uint32_t kCashDocumentRunTimeoutMs = 20000;

// Runs the routine of a capability index without parameters.
ResultCode DocumentAction(int capabilityIndex, uint32_t timeoutMs);

// The register's routine 608 and its status byte: 1 lets documents go on,
// anything else is 265.
ResultCode VerifyShiftState();

// The tape's capacity: 1600 entries with the goods base on, 2515 without.
uint32_t TapeLimit();

enum class ShiftRule {
  kAny,       // a document that may open the shift
  kRequired,  // a document that pays out of an open shift (263 without one)
};

// Before a document: with no shift open the tape counts as empty; with one
// open the shift is verified and the fill counter read. fill + reserve must
// stay below the limit (266 otherwise).
ResultCode ShiftAndCapacityTest(uint32_t reserve, uint32_t limit, ShiftRule rule = ShiftRule::kAny);

// The control-tape fill counter in working memory.
ResultCode ReadFillCounter(uint16_t& count);

struct DocumentPlan {
  size_t lineCount = 0;
  // Fills line i; 269 abandons the document.
  std::function<ResultCode(size_t, CheckLineRecord&, DocumentSums&, bool&)> line;
  // May refuse the payment with 268, which abandons the document.
  std::function<ResultCode(const DocumentSums&)> paymentTest;
  std::function<void(const DocumentSums&, bool, CheckTotalsRecord&)> totals;
  uint32_t runTimeoutMs = kActionTimeoutMs;
  // Decorated checks: the text travels with the run command.
  std::optional<std::array<uint8_t, kRoutineBlockSize>> textBlock;
};

// Reset, lines, payment test, totals, run, reset. A document abandoned by a
// line or the payment test is reset before its code is returned; a link
// failure returns at once and the next document's reset clears what was laid out.
ResultCode RunDocument(const DocumentPlan& plan);

}  // namespace varnolo
