// The journal keeps what it was told across a crash: an entry begun and never
// finished is still there, in flight, when the file is opened again.
#include "journal.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace varnolo::service {
namespace {

class JournalFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/varnolo-journal-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/journal.sqlite";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::unique_ptr<Journal> Open() {
    std::string error;
    auto j = Journal::Open(path_, error);
    EXPECT_TRUE(j) << error;
    return j;
  }
  static JournalEntry Entry(const std::string& key, int before) {
    JournalEntry e;
    e.key = key;
    e.kind = "receipt";
    e.request = R"({"body":{"lines":[]},"kind":"receipt"})";
    e.tapeBefore = before;
    e.startedMs = 1000;
    e.runTimeoutMs = 20000;
    return e;
  }
  std::string dir_, path_;
};

TEST_F(JournalFile, AnEntryBegunBeforeACrashIsInFlightWhenOpenedAgain) {
  {
    auto j = Open();
    ASSERT_TRUE(j->Begin(Entry("a", 4)));
    ASSERT_TRUE(j->Begin(Entry("b", 6)));
    ASSERT_TRUE(j->Finish("a", 0, true, 6, 200, R"({"result":0})"));
  }  // closed without finishing "b", as a killed process leaves it
  auto j = Open();
  const auto inFlight = j->InFlight();
  ASSERT_EQ(inFlight.size(), 1u);
  EXPECT_EQ(inFlight[0].key, "b");
  EXPECT_EQ(inFlight[0].tapeBefore, 6);
  EXPECT_EQ(inFlight[0].runTimeoutMs, 20000u);
  const auto a = j->Find("a");
  ASSERT_TRUE(a);
  EXPECT_FALSE(a->inFlight);
  EXPECT_EQ(a->httpStatus, 200);
  EXPECT_EQ(a->response, R"({"result":0})");
  EXPECT_EQ(a->registered, true);
  EXPECT_EQ(a->tapeAfter, 6);
}

TEST_F(JournalFile, KeepsJournalOrderAndFreesAForgottenKey) {
  auto j = Open();
  for (const char* k : {"k1", "k2", "k3"}) ASSERT_TRUE(j->Begin(Entry(k, 0)));
  EXPECT_FALSE(j->Begin(Entry("k2", 0))) << "a key is written down once";
  ASSERT_TRUE(j->Forget("k2"));
  EXPECT_FALSE(j->Find("k2"));
  ASSERT_TRUE(j->Begin(Entry("k2", 1)));
  std::vector<std::string> order;
  for (const JournalEntry& e : j->Since(0, 10)) order.push_back(e.key);
  EXPECT_EQ(order, (std::vector<std::string>{"k1", "k3", "k2"}));
  EXPECT_EQ(j->Last(1).at(0).key, "k2");
  EXPECT_EQ(j->Since(j->Find("k3")->seq, 10).size(), 1u);
}

TEST_F(JournalFile, IsKeptInWriteAheadLogMode) {
  auto j = Open();
  ASSERT_TRUE(j->Begin(Entry("a", 0)));
  EXPECT_TRUE(std::filesystem::exists(path_ + "-wal"));
}

TEST_F(JournalFile, AFolderThatIsNotThereIsReportedByName) {
  std::string error;
  EXPECT_FALSE(Journal::Open(dir_ + "/missing/journal.sqlite", error));
  EXPECT_NE(error.find("missing/journal.sqlite"), std::string::npos) << error;
}

}  // namespace
}  // namespace varnolo::service
