// Was the document registered? A document call that fails may still have
// printed: the register can run the check and then lose its answer, answer
// late, or refuse the closing reset after printing. The only witness an
// application has is the control tape's entry count, read with
// CRGetNumOfShoppings before the call and again after it.
//
// After a failure the register may still be printing and the line may still
// carry its late answer, so the count is read again and again until two
// successful reads in a row, a short pause apart, give the same number: then
// the line has been quiet. The wait is bounded by what is left of the
// document's own run timeout (the longest the register may print it), plus two
// reads; past that bound the answer is "unknown".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace varnolo::client {

enum class Registered { kYes, kNo, kUnknown };

struct DocumentOutcome {
  int32_t result = 0;  // the document call's result (or the first count read's)
  Registered registered = Registered::kNo;
  bool sent = true;  // false: the count could not be read first, nothing was sent
  uint16_t before = 0;
  uint16_t after = 0;    // valid when `settled`
  bool settled = false;  // a settled count came after a failure (kUnknown: a smaller one)
};

// How the verdict reaches the register and the clock; the default is the
// library's CRGetNumOfShoppings and the system's steady clock.
struct TapeWitness {
  std::function<int32_t(uint16_t*)> readCount;
  std::function<uint64_t()> nowMs;
  std::function<void(uint32_t)> pauseMs;
};
TapeWitness LibraryTapeWitness();

inline constexpr uint32_t kCountReadTimeoutMs = 2000;  // one working-memory read
inline constexpr uint32_t kQuietPauseMs = 250;         // between the two agreeing reads

// Called with the count read before the document, just before it is sent
// (a journal writes it down here); returning false holds the document back:
// nothing is sent, `sent` is false and `result` stays 0.
using BeforeSend = std::function<bool(uint16_t before)>;

// Reads the count, runs the document and, after any failure, decides.
DocumentOutcome RunDocument(const std::function<int32_t()>& run, uint32_t runTimeoutMs,
                            const TapeWitness& witness = LibraryTapeWitness(),
                            const BeforeSend& beforeSend = {});

// The count once the line is quiet: two successful reads in a row, a pause
// apart, that agree. A failed read starts the agreement over; a read that
// finds no session (256) or the witness's clock reaching `deadlineMs` ends
// the wait with nothing.
std::optional<uint16_t> SettledCount(const TapeWitness& witness, uint64_t deadlineMs);

// The longest a quiet line takes to show itself: two reads and the pause.
inline constexpr uint32_t kQuietWindowMs = 2 * kCountReadTimeoutMs + kQuietPauseMs;

// What a settled count says of a document sent when the tape had `before`
// entries: more is registered, the same is not, fewer (the tape was closed
// meanwhile) or none tells nothing.
Registered Judge(uint16_t before, std::optional<uint16_t> after);

}  // namespace varnolo::client
