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

namespace varnolo::client {

enum class Registered { kYes, kNo, kUnknown };

struct DocumentOutcome {
  int32_t result = 0;  // the document call's result (or the first count read's)
  Registered registered = Registered::kNo;
  bool sent = true;  // false: the count could not be read first, nothing was sent
  uint16_t before = 0;
  uint16_t after = 0;  // valid when registered is not kUnknown
};

// The register's document run timeouts, by kind of document.
inline constexpr uint32_t kGoodsBaseCheckRunMs = 20000;
inline constexpr uint32_t kDecoratedCheckRunMs = 10000;
inline constexpr uint32_t kCashCheckRunMs = 20000;  // cash in and cash out
inline constexpr uint32_t kPackCheckRunMs = 20000;  // pack and money back
inline constexpr uint32_t kAnnulmentRunMs = 20000;

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

}  // namespace varnolo::client
