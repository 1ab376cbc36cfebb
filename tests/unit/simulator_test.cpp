// The simulated register itself: what it does with documents, requests it must
// refuse, its faults and its image on disk.
#include <gtest/gtest.h>
#include <unistd.h>

#include "image_file.h"
#include "link/commands.h"
#include "link/primitives.h"
#include "link/register_link.h"
#include "session/session.h"
#include "support/check_fixture.h"
#include "support/packed_field.h"
#include "support/param_name.h"
#include "totals.h"

namespace varnolo::test {
namespace {

class SimulatorTest : public CheckFixture {};

TEST_F(SimulatorTest, SaleDocumentGrowsTapeTotalsAndDrawer) {
  CheckItem items[2] = {Item(2, 10, 0, 5, 3), Item(1, 4.5, 0, 0, 4)};
  ASSERT_EQ(CRCreateCheck(items, 2, 0, 0, 0), kOk);
  EXPECT_TRUE(reg.ShiftOpen());
  EXPECT_EQ(reg.TapeCount(), 3);  // two lines and the total
  EXPECT_EQ(reg.DrawerCash(), 2350u);
  using namespace sim::totals;
  EXPECT_EQ(reg.Amount(kRegister, 0, kSales), 2350u);
  EXPECT_EQ(reg.Amount(kRegister, 0, kDiscounts), 100u);
  EXPECT_EQ(reg.Amount(kCashier, 0, kCashSales), 2350u);
  EXPECT_EQ(reg.Amount(kSection, 2, kSales), 1900u);
  EXPECT_EQ(reg.Amount(kSection, 3, kSales), 450u);
  EXPECT_EQ(reg.Counter(kRegister, 0, kChecks), 1);
  EXPECT_EQ(reg.Counter(kRegister, 0, kLines), 2);
  EXPECT_EQ(reg.DocumentNumber(), 1u);
}

TEST_F(SimulatorTest, InconsistentDocumentIsRefusedAndChangesNothing) {
  CheckItem item = Item(1, 10);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  const sim::Memory before = reg.memory();
  const std::string paperBefore = reg.paper();
  // The totals record claims 11.00 for a line of 10.00.
  mem().working[0x07F8 + 5 + 9] = 1;
  mem().working[0x07F8 + 57 + 4] = static_cast<uint8_t>(mem().working[0x07F8 + 57 + 4] + 100);
  const sim::Memory laidOut = reg.memory();
  EXPECT_EQ(CallRoutine(1, 0, 0, LookupCapability(617), 0, {}, 10000),
            sim::status::kDocumentInconsistent);
  EXPECT_EQ(reg.memory().data, laidOut.data);
  EXPECT_EQ(reg.memory().working, laidOut.working);
  EXPECT_EQ(reg.paper(), paperBefore);
  EXPECT_EQ(reg.TapeCount(), 2);
  (void)before;
}

TEST_F(SimulatorTest, RequestWithABadChecksumIsRefusedAndNotActedOn) {
  const PacketHeader h{cmd::kWriteData, 1, 0x4000, 1};
  const WireHeader w = EncodeHeader(h);
  std::vector<uint8_t> raw(w.begin(), w.end());
  raw.push_back(0x42);
  raw.push_back(0x00);  // wrong data checksum
  ASSERT_TRUE(TheLink().WriteBytes(raw));
  uint8_t reply[11] = {};
  ASSERT_TRUE(TheLink().ReadBytes(reply, 2000));
  EXPECT_EQ(reply[4], sim::status::kBadChecksum);
  EXPECT_EQ(mem().data[0x4000], 0);
}

TEST_F(SimulatorTest, RegisterAnswersOnlyItsOwnNumber) {
  uint8_t v = 0;
  EXPECT_EQ(ReadWorkingMemory(2, 0x1FFF, {&v, 1}), kNoReply);
  EXPECT_EQ(ReadWorkingMemory(0xF0000000u, 0x1FFF, {&v, 1}),
            kOk);  // the special form reaches everyone
  EXPECT_EQ(v, 3);
}

TEST_F(SimulatorTest, ClockKeepsTheOffsetItWasSetTo) {
  ASSERT_EQ(CRSetTimeDate({1, 1, 2030, 12, 0, 0, 0}), kOk);
  hostSeconds += 90;
  TimeDate t{};
  ASSERT_EQ(CRGetTimeDate(&t), kOk);
  EXPECT_EQ(Field(t.year), 2030);
  EXPECT_EQ(t.minute, 1);
  EXPECT_EQ(t.second, 30);
}

struct FaultCase {
  const char* name;
  sim::FaultKind kind;
  uint32_t value;
  ResultCode expected;
};

class Faults : public SimulatorTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(Faults, OnASingleExchangeThenTheLineRecovers) {
  reg.faults().Add({GetParam().kind, cmd::kReadWorking, GetParam().value, 1});
  uint8_t v = 0;
  EXPECT_EQ(TheLink().Exchange({cmd::kReadWorking, 1, 0x1FFF, 1}, {}, {&v, 1}, 2000),
            GetParam().expected);
  EXPECT_EQ(ReadWorkingMemory(1, 0x1FFF, {&v, 1}), kOk);
  EXPECT_EQ(v, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Simulator, Faults,
    ::testing::Values(FaultCase{"drop", sim::FaultKind::kDrop, 0, kNoReply},
                      FaultCase{"status", sim::FaultKind::kStatus, 0x31, 0x31},
                      FaultCase{"cut", sim::FaultKind::kCut, 10, kNoReply},
                      FaultCase{"late", sim::FaultKind::kDelay, 5000, kNoReply},
                      FaultCase{"damage", sim::FaultKind::kDamage, 0, kNoReply},
                      FaultCase{"stray", sim::FaultKind::kStray, 3, kNoReply},
                      FaultCase{"hang_up", sim::FaultKind::kHangUp, 0, kNoReply}),
    ParamName());

struct ParseCase {
  const char* text;
  bool valid;
};

class FaultSyntax : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FaultSyntax, Parses) {
  EXPECT_EQ(sim::ParseFault(GetParam().text).has_value(), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Simulator, FaultSyntax,
                         ::testing::Values(ParseCase{"drop", true}, ParseCase{"drop:3", true},
                                           ParseCase{"status:5@0x0701", true},
                                           ParseCase{"status:0", false},
                                           ParseCase{"status:300", false},
                                           ParseCase{"cut:8+2", true}, ParseCase{"delay", false},
                                           ParseCase{"damage", true}, ParseCase{"stray:x", false},
                                           ParseCase{"hangup", true}, ParseCase{"explode", false}));

TEST(SimulatorImage, SavedAndLoadedMemoryIsTheSame) {
  sim::Register a({5, 42, 500});
  a.memory().data[0x1234] = 0x56;
  a.memory().goods[0x7FFF] = 0x78;
  a.memory().flags[0x7F] = 0x9A;
  const std::string path = "/tmp/varnolo-image-" + std::to_string(getpid());
  std::string error;
  ASSERT_TRUE(sim::SaveImage(a, path, &error)) << error;
  sim::Register b({5, 42, 500});
  ASSERT_TRUE(sim::LoadImage(b, path, &error)) << error;
  EXPECT_EQ(a.memory().data, b.memory().data);
  EXPECT_EQ(a.memory().working, b.memory().working);
  EXPECT_EQ(a.memory().goods, b.memory().goods);
  EXPECT_EQ(a.memory().flags, b.memory().flags);
  sim::Register other({3, 42, 500});
  EXPECT_FALSE(sim::LoadImage(other, path, &error));
  EXPECT_NE(error.find("firmware 5"), std::string::npos);
  unlink(path.c_str());
}

}  // namespace
}  // namespace varnolo::test
