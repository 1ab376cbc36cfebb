// Documents under idempotency keys on a scripted tape count and a virtual
// clock: each key reaches the register at most once, whatever the register
// answered, and a document a crash left in flight is settled from the tape.
#include "document_desk.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/param_name.h"
#include "varnolo.h"

namespace varnolo::service {
namespace {

using nlohmann::json;

// The register as the desk sees it: a tape count that reads may fail on, a
// virtual clock that pauses advance, and a document that adds to the tape.
struct FakeRegister {
  uint16_t count = 4;
  int failingReads = 0;  // the next reads that fail
  uint64_t nowMs = 0;
  int64_t wallMs = 1'000'000;
  std::vector<uint32_t> pauses;
  int sent = 0;

  client::TapeWitness Witness() {
    return client::TapeWitness{[this](uint16_t* c) {
                                 if (failingReads > 0) return --failingReads, CR_ERR_NO_REPLY;
                                 *c = count;
                                 return CR_OK;
                               },
                               [this] { return nowMs; },
                               [this](uint32_t ms) {
                                 pauses.push_back(ms);
                                 nowMs += ms;
                                 wallMs += ms;
                               }};
  }
  // A document call: `adds` entries reach the tape, then it gives `result`
  // and the next `failAfter` count reads fail.
  DocumentRequest Document(int32_t result, uint16_t adds, int failAfter = 0) {
    DocumentRequest d;
    d.rule = &rules::Document(rules::DocumentKind::kSaleCheck);
    d.runTimeoutMs = 9000;
    d.run = [this, result, adds, failAfter] {
      ++sent;
      count = static_cast<uint16_t>(count + adds);
      failingReads = failAfter;
      nowMs += 100;
      return result;
    };
    return d;
  }
};

class Desk : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/varnolo-desk-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    std::string error;
    journal_ = Journal::Open(dir_ + "/journal.sqlite", error);
    ASSERT_TRUE(journal_) << error;
    desk_ =
        std::make_unique<DocumentDesk>(*journal_, reg_.Witness(), [this] { return reg_.wallMs; });
  }
  void TearDown() override {
    desk_.reset();
    journal_.reset();
    std::filesystem::remove_all(dir_);
  }
  const std::string body_ = CanonicalRequest("receipt", json{{"lines", json::array()}});
  std::string dir_;
  FakeRegister reg_;
  std::unique_ptr<Journal> journal_;
  std::unique_ptr<DocumentDesk> desk_;
};

struct OutcomeCase {
  const char* name;
  int32_t result;
  uint16_t adds;
  int failAfter;
  int status;
  json registered;
  bool keyKept;  // false: a retry under the key goes to the register again
};

class DeskOutcome : public Desk, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(DeskOutcome, AnswersOnceAndReplaysWithoutTheRegister) {
  const OutcomeCase& c = GetParam();
  const Reply first = desk_->Run("key-1", body_, reg_.Document(c.result, c.adds, c.failAfter));
  EXPECT_EQ(first.status, c.status) << first.body.dump();
  EXPECT_EQ(first.body["registered"], c.registered) << first.body.dump();
  EXPECT_EQ(first.body["result"], c.result);
  EXPECT_EQ(first.body["tapeCountBefore"], 4);
  EXPECT_EQ(reg_.sent, 1);

  const Reply again = desk_->Run("key-1", body_, reg_.Document(c.result, c.adds, c.failAfter));
  if (c.keyKept) {
    EXPECT_EQ(reg_.sent, 1) << "a repeated key must not reach the register";
    EXPECT_EQ(again.status, first.status);
    EXPECT_EQ(again.body["replayed"], true);
    EXPECT_EQ(again.body["registered"], first.body["registered"]);
    EXPECT_EQ(again.body["tapeCountAfter"], first.body["tapeCountAfter"]);
  } else {
    EXPECT_EQ(reg_.sent, 2) << "nothing was registered: the key may go again";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, DeskOutcome,
    ::testing::Values(OutcomeCase{"Printed", CR_OK, 2, 0, 200, true, true},
                      // The check was printed and its answer lost: it is on the tape.
                      OutcomeCase{"AnswerLostButPrinted", CR_ERR_NO_REPLY, 2, 0, 200, true, true},
                      // Refused by the register's state: kept, so the retry is refused alike.
                      OutcomeCase{"RefusedByTheRegister", 0x33, 0, 0, 409, false, true},
                      OutcomeCase{"ArgumentsRefused", CR_ERR_OUT_OF_RANGE, 0, 0, 422, false, true},
                      // No answer and nothing on the tape: the key is free again.
                      OutcomeCase{"SilentAndNotPrinted", CR_ERR_NO_REPLY, 0, 0, 503, false, false},
                      // Nobody can tell: kept as unknown, never sent again under the key.
                      OutcomeCase{"Unknown", CR_ERR_NO_REPLY, 2, 1000, 502, nullptr, true}),
    test::ParamName());

// A report leaves no tape entry: when the register falls silent nobody can
// tell whether it printed, so the key is kept as unknown, never sent again.
TEST_F(Desk, ASilentReportIsUnknownAndNotRunAgain) {
  DocumentRequest report = reg_.Document(CR_ERR_NO_REPLY, 0);
  report.rule = &rules::Document(rules::DocumentKind::kReportX);
  const Reply first = desk_->Run("x-1", body_, report);
  EXPECT_EQ(first.status, 502) << first.body.dump();
  EXPECT_EQ(first.body["registered"], nullptr);
  EXPECT_EQ(first.body["verdict"],
            "X report: whether it was printed is UNKNOWN (the register did not answer); look at "
            "the paper before repeating it");
  const Reply again = desk_->Run("x-1", body_, report);
  EXPECT_EQ(again.status, 502);
  EXPECT_EQ(again.body["replayed"], true);
  EXPECT_EQ(reg_.sent, 1);
}

TEST_F(Desk, TheSameAmountWrittenAnotherWayIsTheSameRequest) {
  EXPECT_EQ(CanonicalRequest("cash-in", json::parse(R"({"amount":2})")),
            CanonicalRequest("cash-in", json::parse(R"({ "amount" : 2.0 })")));
  EXPECT_NE(CanonicalRequest("cash-in", json::parse(R"({"amount":2})")),
            CanonicalRequest("cash-in", json::parse(R"({"amount":2.01})")));
}

TEST_F(Desk, TheTapeCountAfterASuccessIsTheRegisters) {
  const Reply r = desk_->Run("k", body_, reg_.Document(CR_OK, 3));
  EXPECT_EQ(r.body["tapeCountAfter"], 7);
  EXPECT_EQ(journal_->Find("k")->tapeAfter, 7);
}

TEST_F(Desk, AKeyUsedForAnotherRequestIsRefusedWithoutTheRegister) {
  desk_->Run("k", body_, reg_.Document(CR_OK, 1));
  const std::string other = CanonicalRequest("receipt", json{{"lines", json::array({1})}});
  const std::optional<Reply> r = desk_->Replay("k", other);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 422);
  EXPECT_EQ(desk_->Run("k", other, reg_.Document(CR_OK, 1)).status, 422);
  EXPECT_EQ(reg_.sent, 1);
}

TEST_F(Desk, TheCountIsWrittenDownBeforeTheDocumentIsSent) {
  std::optional<JournalEntry> seenBySend;
  DocumentRequest d = reg_.Document(CR_OK, 1);
  auto run = d.run;
  d.run = [&, run] {
    seenBySend = journal_->Find("k");
    return run();
  };
  desk_->Run("k", body_, d);
  ASSERT_TRUE(seenBySend);
  EXPECT_TRUE(seenBySend->inFlight);
  EXPECT_EQ(seenBySend->tapeBefore, 4);
}

TEST_F(Desk, WithoutACountBeforeNothingIsSentAndNothingKept) {
  reg_.failingReads = 2;
  const Reply r = desk_->Run("k", body_, reg_.Document(CR_OK, 1));
  EXPECT_EQ(r.status, 503);
  EXPECT_EQ(reg_.sent, 0);
  EXPECT_FALSE(journal_->Find("k"));
}

// A crash between the journal's first write and the answer leaves the entry
// in flight; the next session settles it from the count.
struct SettleCase {
  const char* name;
  std::optional<int> before;  // none: a report, which leaves no tape entry
  uint16_t countAtRestart;
  uint16_t countAfterRunTime;  // the register finishing what it was sent
  int64_t sentMsAgo;
  std::optional<int> status;  // none: forgotten, the key is free
  json registered;
  uint32_t waitedMs;  // the pause for the rest of the run time
};

class DeskSettle : public Desk, public ::testing::WithParamInterface<SettleCase> {};

TEST_P(DeskSettle, FromTheTapeCount) {
  const SettleCase& c = GetParam();
  JournalEntry e;
  e.key = "crashed";
  e.kind = c.before ? "receipt" : "report-x";
  e.request = body_;
  e.tapeBefore = c.before;
  e.runTimeoutMs = 20000;
  e.startedMs = reg_.wallMs - c.sentMsAgo;
  ASSERT_TRUE(journal_->Begin(e));
  reg_.count = c.countAtRestart;
  // The register finishes printing during the desk's wait, if it waits.
  auto witness = reg_.Witness();
  auto pause = witness.pauseMs;
  witness.pauseMs = [&, pause](uint32_t ms) {
    pause(ms);
    if (ms > client::kQuietPauseMs) reg_.count = c.countAfterRunTime;
  };
  DocumentDesk desk(*journal_, witness, [this] { return reg_.wallMs; });
  ASSERT_TRUE(desk.SettleInFlight());
  EXPECT_TRUE(journal_->InFlight().empty());
  uint32_t waited = 0;
  for (uint32_t ms : reg_.pauses) waited += ms > client::kQuietPauseMs ? ms : 0;
  EXPECT_EQ(waited, c.waitedMs);
  const std::optional<JournalEntry> settled = journal_->Find("crashed");
  if (!c.status) {
    EXPECT_FALSE(settled) << "never printed: the key must be free for the retry";
    return;
  }
  ASSERT_TRUE(settled);
  EXPECT_EQ(settled->httpStatus, *c.status);
  EXPECT_EQ(settled->settledBy, "restart");
  const std::optional<Reply> replay = desk.Replay("crashed", body_);
  ASSERT_TRUE(replay);
  EXPECT_EQ(replay->status, *c.status);
  EXPECT_EQ(replay->body["registered"], c.registered) << replay->body.dump();
  EXPECT_EQ(reg_.sent, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Crashes, DeskSettle,
    ::testing::Values(
        SettleCase{"PrintedBeforeTheCrash", 4, 6, 6, 30000, 200, true, 0},
        SettleCase{"NeverPrinted", 4, 4, 4, 30000, std::nullopt, nullptr, 0},
        // Sent 5 s before the restart (the first quiet count takes 250 ms of it):
        // the register may print for the rest of its 20 s.
        SettleCase{"StillPrintingAtRestart", 4, 4, 6, 5000, 200, true, 14750},
        SettleCase{"NotPrintedWithinItsRunTime", 4, 4, 4, 5000, std::nullopt, nullptr, 14750},
        SettleCase{"TapeClosedSince", 4, 1, 1, 30000, 502, nullptr, 0},
        SettleCase{"AReportCannotBeToldFromTheTape", std::nullopt, 4, 4, 30000, 502, nullptr, 0}),
    test::ParamName());

TEST_F(Desk, ACrashedDocumentStaysInFlightWhileTheRegisterCannotTell) {
  JournalEntry e;
  e.key = "crashed";
  e.kind = "receipt";
  e.request = body_;
  e.tapeBefore = 4;
  ASSERT_TRUE(journal_->Begin(e));
  reg_.failingReads = 1000;
  EXPECT_FALSE(desk_->SettleInFlight());
  EXPECT_EQ(journal_->InFlight().size(), 1u);
}

struct StatusCase {
  const char* name;
  int32_t result;
  int status;
};

class RefusalStatusOf : public ::testing::TestWithParam<StatusCase> {};

TEST_P(RefusalStatusOf, Result) { EXPECT_EQ(RefusalStatus(GetParam().result), GetParam().status); }

INSTANTIATE_TEST_SUITE_P(
    Results, RefusalStatusOf,
    ::testing::Values(StatusCase{"RegisterStatus", 0x33, 409}, StatusCase{"ShiftOpen", 261, 409},
                      StatusCase{"NotEnoughCash", CR_ERR_NOT_ENOUGH_CASH, 409},
                      StatusCase{"OutOfRange", CR_ERR_OUT_OF_RANGE, 422},
                      StatusCase{"AmountTooLarge", CR_ERR_AMOUNT_TOO_LARGE, 422},
                      StatusCase{"NoReply", CR_ERR_NO_REPLY, 503},
                      StatusCase{"PortClosed", CR_ERR_PORT_CLOSED, 503}),
    test::ParamName());

}  // namespace
}  // namespace varnolo::service
