#include "document_verdict.h"

#include <chrono>
#include <optional>
#include <thread>

#include "varnolo.h"

namespace varnolo::client {

TapeWitness LibraryTapeWitness() {
  return TapeWitness{
      [](uint16_t* count) { return CRGetNumOfShoppings(count); },
      [] {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
      },
      [](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }};
}

DocumentOutcome RunDocument(const std::function<int32_t()>& run, uint32_t runTimeoutMs,
                            const TapeWitness& witness, const BeforeSend& beforeSend) {
  DocumentOutcome outcome;
  // Without the count before, a failure could never be judged: send nothing.
  outcome.result = witness.readCount(&outcome.before);
  if (outcome.result != CR_OK) outcome.result = witness.readCount(&outcome.before);
  if (outcome.result != CR_OK) {
    outcome.sent = false;
    outcome.registered = Registered::kNo;
    return outcome;
  }
  if (beforeSend && !beforeSend(outcome.before)) {
    outcome.sent = false;
    outcome.registered = Registered::kNo;
    return outcome;
  }
  const uint64_t start = witness.nowMs();
  outcome.result = run();
  if (outcome.result == CR_OK) {
    outcome.registered = Registered::kYes;
    return outcome;
  }
  const uint64_t failedAt = witness.nowMs();
  const uint64_t elapsed = failedAt - start;
  const uint64_t left = runTimeoutMs > elapsed ? runTimeoutMs - elapsed : 0;
  const std::optional<uint16_t> after = SettledCount(witness, failedAt + left + kQuietWindowMs);
  outcome.registered = Judge(outcome.before, after);
  if (after) outcome.after = *after, outcome.settled = true;
  return outcome;
}

std::optional<uint16_t> SettledCount(const TapeWitness& witness, uint64_t deadlineMs) {
  std::optional<uint16_t> previous;
  for (;;) {
    uint16_t count = 0;
    const int32_t read = witness.readCount(&count);
    if (read == CR_OK && previous && *previous == count) return count;
    previous = read == CR_OK ? std::optional<uint16_t>(count) : std::nullopt;
    if (read == CR_ERR_PORT_CLOSED || witness.nowMs() >= deadlineMs) return std::nullopt;
    witness.pauseMs(kQuietPauseMs);
  }
}

Registered Judge(uint16_t before, std::optional<uint16_t> after) {
  if (!after || *after < before) return Registered::kUnknown;
  return *after > before ? Registered::kYes : Registered::kNo;
}

}  // namespace varnolo::client
