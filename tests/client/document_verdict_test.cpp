// The was-it-registered verdict on a scripted tape count and a virtual clock:
// it waits for two agreeing reads, starts over after a failed read, and gives
// up at what is left of the document's print timeout.
#include "document_verdict.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>

#include "support/param_name.h"
#include "varnolo.h"

namespace varnolo::client {
namespace {

constexpr int32_t kLost = CR_ERR_NO_REPLY;

// One count read: its result and, on success, the count.
struct Read {
  int32_t result;
  uint16_t count = 0;
};

struct VerdictCase {
  const char* name;
  uint16_t before;
  int32_t runResult;
  uint64_t runMs;  // how long the document call takes
  std::vector<Read> after;
  Registered expected;
  bool allReadsUsed = true;
};

class Verdict : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(Verdict, Decides) {
  const VerdictCase& c = GetParam();
  uint64_t now = 0;
  std::deque<Read> reads(c.after.begin(), c.after.end());
  reads.push_front({CR_OK, c.before});
  const TapeWitness witness{[&](uint16_t* count) {
                              if (reads.empty()) {
                                ADD_FAILURE() << "one read too many";
                                return kLost;
                              }
                              const Read r = reads.front();
                              reads.pop_front();
                              // A lost read costs its whole timeout.
                              now += r.result == kLost ? kCountReadTimeoutMs : 30;
                              if (r.result == CR_OK) *count = r.count;
                              return r.result;
                            },
                            [&] { return now; }, [&](uint32_t ms) { now += ms; }};
  const uint32_t runTimeoutMs = 9000;  // a one-line sale check
  const DocumentOutcome o = RunDocument(
      [&] {
        now += c.runMs;
        return c.runResult;
      },
      runTimeoutMs, witness);
  EXPECT_EQ(o.registered, c.expected);
  EXPECT_EQ(o.result, c.runResult);
  EXPECT_TRUE(o.sent);
  if (c.allReadsUsed) {
    EXPECT_TRUE(reads.empty()) << reads.size() << " reads left";
  }
  // Never past the print timeout, two reads and the pause, plus the last read.
  EXPECT_LE(now,
            std::max<uint64_t>(runTimeoutMs, c.runMs) + 3 * kCountReadTimeoutMs + kQuietPauseMs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Verdict,
    ::testing::Values(
        VerdictCase{"Printed", 4, CR_OK, 3000, {}, Registered::kYes},
        VerdictCase{
            "LostAnswerTapeGrew", 4, kLost, 9000, {{CR_OK, 6}, {CR_OK, 6}}, Registered::kYes},
        VerdictCase{"RefusedTapeSame", 4, 0x33, 200, {{CR_OK, 4}, {CR_OK, 4}}, Registered::kNo},
        // Still printing: the first count is the old one. One read would say "not registered".
        VerdictCase{"StillPrinting",
                    4,
                    kLost,
                    9000,
                    {{CR_OK, 4}, {CR_OK, 6}, {CR_OK, 6}},
                    Registered::kYes},
        // A failed read between two equal counts is not agreement.
        VerdictCase{"FailedReadStartsOver",
                    4,
                    kLost,
                    9000,
                    {{CR_OK, 4}, {kLost}, {CR_OK, 6}, {CR_OK, 6}},
                    Registered::kYes},
        // The late answer took the whole remaining time: no agreement in time.
        VerdictCase{"SilentLine",
                    4,
                    kLost,
                    9000,
                    {{kLost}, {kLost}, {kLost}, {kLost}, {kLost}},
                    Registered::kUnknown,
                    false},
        // A quick failure leaves the register most of its print time.
        VerdictCase{"QuickFailureWaitsLonger",
                    4,
                    0x33,
                    100,
                    {{kLost}, {kLost}, {kLost}, {kLost}, {CR_OK, 5}, {CR_OK, 5}},
                    Registered::kYes},
        VerdictCase{"SessionGone", 4, kLost, 9000, {{CR_ERR_PORT_CLOSED}}, Registered::kUnknown},
        // The tape was closed meanwhile: a smaller count tells nothing.
        VerdictCase{
            "TapeClosedMeanwhile", 4, kLost, 9000, {{CR_OK, 1}, {CR_OK, 1}}, Registered::kUnknown}),
    test::ParamName());

TEST(VerdictBefore, WithoutACountNothingIsSent) {
  int reads = 0;
  bool ran = false;
  const TapeWitness witness{[&](uint16_t*) { return ++reads, kLost; }, [] { return uint64_t{0}; },
                            [](uint32_t) {}};
  const DocumentOutcome o = RunDocument([&] { return ran = true, CR_OK; }, 9000, witness);
  EXPECT_FALSE(ran);
  EXPECT_FALSE(o.sent);
  EXPECT_EQ(o.registered, Registered::kNo);
  EXPECT_EQ(o.result, kLost);
  EXPECT_EQ(reads, 2);  // one more try
}

}  // namespace
}  // namespace varnolo::client

namespace varnolo::client {
namespace {

// A journal writes the count down before the document goes out; when it
// cannot, the document is held back and the register never sees it.
TEST(VerdictBefore, TheCallerSeesTheCountBeforeAnythingIsSentAndMayHoldItBack) {
  for (const bool journalWritten : {true, false}) {
    bool ran = false;
    std::optional<uint16_t> seen;
    const TapeWitness witness{[&](uint16_t* c) { return *c = ran ? 8 : 7, CR_OK; },
                              [] { return uint64_t{0}; }, [](uint32_t) {}};
    const DocumentOutcome o = RunDocument(
        [&] { return ran = true, CR_OK; }, 9000, witness,
        [&](uint16_t before) {
          EXPECT_FALSE(ran) << "the count must be handed over before the document is sent";
          seen = before;
          return journalWritten;
        });
    EXPECT_EQ(seen, std::optional<uint16_t>(7));
    EXPECT_EQ(ran, journalWritten);
    EXPECT_EQ(o.sent, journalWritten);
    EXPECT_EQ(o.registered, journalWritten ? Registered::kYes : Registered::kNo);
  }
}

}  // namespace
}  // namespace varnolo::client
