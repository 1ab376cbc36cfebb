#include <gtest/gtest.h>

#include "link/commands.h"
#include "link/register_link.h"
#include "session/session.h"
#include "support/sim_peer.h"

namespace varnolo::test {
namespace {

const std::vector<uint8_t> kNotice{0x29, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xD6};

class SessionTest : public SimFixture {};

TEST_F(SessionTest, StartUpOnTheWire) {
  ASSERT_EQ(CRInitInterface(1, 0), 1);
  const auto& packets = platform->Packets();
  std::vector<std::pair<uint16_t, uint16_t>> seen;
  for (const Packet& p : packets) seen.emplace_back(p.header.command, p.header.address);
  const std::vector<std::pair<uint16_t, uint16_t>> expected{
      {0x0300, 0x1FFF},                                      // firmware version
      {0x0301, 0x0F5C},                                      // lock flag (version 3)
      {0x0100, 0x01E3}, {0x0100, 0x01E6}, {0x0100, 0x01EF},  // configuration, in its order
      {0x0100, 0x01E9}, {0x0100, 0x01F5}, {0x0100, 0x01F2},
      {0x0403, 0x0100},   // begin session, parameter 1
      {0x0400, 0x0000},   // goods-base size
      {0x2900, 0x0000}};  // end of call
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(packets[1].data, (std::vector<uint8_t>{1}));
  const auto& w = platform->Written();
  EXPECT_EQ(std::vector<uint8_t>(w.end() - 11, w.end()), kNotice);
  EXPECT_EQ(std::count(platform->Sleeps().begin(), platform->Sleeps().end(), 100u), 6);
  EXPECT_EQ(CRGetCRNumber(), 1u);
  EXPECT_EQ(mem().working[0x0F5C], 1);
  EXPECT_EQ(TheSession().callDepth, 0);
}

TEST_F(SessionTest, PortSelectorChoosesCom1OrCom2) {
  for (int32_t selector : {0, 1, 9}) {
    ASSERT_EQ(CRInitInterface(1, selector), 1);
    CRDestroyInterface();
  }
  EXPECT_EQ(platform->OpenedPorts(), (std::vector<std::string>{"COM1", "COM2", "COM2"}));
}

class VersionWindow : public SessionTest, public ::testing::WithParamInterface<uint8_t> {};

TEST_P(VersionWindow, OutsideIsRefusedWithoutLockOrClosingCommands) {
  mem().working[0x1FFF] = GetParam();
  EXPECT_EQ(CRInitInterface(1, 0), 0);
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x0300}));
  EXPECT_FALSE(platform->PortOpen());
  EXPECT_EQ(CRGetCRNumber(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Session, VersionWindow, ::testing::Values(2, 8));

TEST_F(SessionTest, VersionsAtTheEdgesAreAccepted) {
  for (int v : {3, 7}) {
    mem().working[0x1FFF] = static_cast<uint8_t>(v);
    EXPECT_EQ(CRInitInterface(1, 0), 1) << v;
    CRDestroyInterface();
  }
}

TEST_F(SessionTest, FailedConfigurationReadUnlocksEndsAndCloses) {
  reg.faults().Add({sim::FaultKind::kStatus, cmd::kReadData, 0x31, 1});
  EXPECT_EQ(CRInitInterface(1, 0), 0);
  const auto& p = platform->Packets();
  ASSERT_GE(p.size(), 5u);
  const size_t n = p.size();
  EXPECT_EQ(p[n - 3].header.command, 0x0301);  // unlock
  EXPECT_EQ(p[n - 3].data, (std::vector<uint8_t>{0}));
  EXPECT_EQ(p[n - 2].header.command, 0x0405);
  EXPECT_EQ(p[n - 1].header.command, 0x0401);
  EXPECT_EQ(p[n - 1].data, (std::vector<uint8_t>{0x20}));
  EXPECT_FALSE(platform->PortOpen());
  EXPECT_EQ(mem().working[0x0F5C], 0);
}

TEST_F(SessionTest, PortThatWillNotOpenFailsAtOnce) {
  platform->FailNextOpen();
  EXPECT_EQ(CRInitInterface(1, 0), 0);
  EXPECT_TRUE(platform->Packets().empty());
}

TEST_F(SessionTest, MissingFirmwareTableFailsBeforeAnyTraffic) {
  platform->HideFirmwareTable();
  EXPECT_EQ(CRInitInterface(1, 0), 0);
  EXPECT_TRUE(platform->Packets().empty());
  EXPECT_FALSE(platform->PortOpen());
}

TEST_F(SessionTest, RegisterThatDoesNotAnswerFailsAfterTheVersionRead) {
  EXPECT_EQ(CRInitInterface(2, 0), 0);  // the register on the line is number 1
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x0300, 0x0300}));
}

TEST_F(SessionTest, DestroyUnlocksEndsAndClosesAndTwiceIsHarmless) {
  Start();
  EXPECT_EQ(CRDestroyInterface(), 0);
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x0301, 0x0405, 0x0401}));
  EXPECT_EQ(mem().working[0x0F5C], 0);
  EXPECT_EQ(CRGetCRNumber(), 0u);
  platform->ClearRecords();
  EXPECT_EQ(CRDestroyInterface(), 0);
  EXPECT_TRUE(platform->Written().empty());
}

TEST_F(SessionTest, SecondInitClosesTheOpenSessionCleanlyFirst) {
  Start();
  ASSERT_EQ(CRInitInterface(1, 0), 1);
  const auto c = Commands();
  ASSERT_GE(c.size(), 4u);
  EXPECT_EQ(std::vector<uint16_t>(c.begin(), c.begin() + 3),
            (std::vector<uint16_t>{0x0301, 0x0405, 0x0401}));
  EXPECT_TRUE(platform->PortOpen());
  EXPECT_EQ(mem().working[0x0F5C], 1);
}

TEST_F(SessionTest, NestedFramesSendOneNoticeAlsoWhenAnExceptionPasses) {
  Start();
  {
    CallFrame outer;
    { CallFrame inner; }
    EXPECT_EQ(Notices(), 0);
  }
  EXPECT_EQ(Notices(), 1);
  try {
    CallFrame frame;
    throw std::runtime_error("boom");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Notices(), 2);
  EXPECT_EQ(TheSession().callDepth, 0);
}

TEST_F(SessionTest, LockAndUnlockWriteTheFlag) {
  EXPECT_EQ(CRLockCashRegister(), kPortClosed);
  EXPECT_TRUE(platform->Written().empty());
  Start();
  EXPECT_EQ(CRUnlockCashRegister(), kOk);
  EXPECT_EQ(mem().working[0x0F5C], 0);
  EXPECT_EQ(CRLockCashRegister(), kOk);
  EXPECT_EQ(mem().working[0x0F5C], 1);
  EXPECT_EQ(Notices(), 2);
}

TEST_F(SessionTest, ShiftOpenTestReadsTheShiftByte) {
  Start();
  mem().data[0x37B1] = 0xAB;
  EXPECT_EQ(ShiftOpenTest(), kOk);
  mem().data[0x37B1] = 0xAA;
  EXPECT_EQ(ShiftOpenTest(), kShiftOpen);
}

TEST_F(SessionTest, GoodsBaseSizeFromTheFourthByte) {
  int32_t size = 0;
  EXPECT_EQ(CRGetIGBSize(&size), kPortClosed);
  Start();
  EXPECT_EQ(CRGetIGBSize(&size), kOk);
  EXPECT_EQ(size, 1800);
  EXPECT_EQ(CRGetIGBSize(nullptr), kOutOfRange);
  EXPECT_EQ(CREGBQueryAnswer(1, 2, 3, 4), kNotCarriedOut);
}

class SmallGoodsBase : public SimFixture {
 protected:
  SmallGoodsBase() : SimFixture({3, 1, 500}) {}
};

TEST_F(SmallGoodsBase, Bit2Means500) {
  Start();
  int32_t size = 0;
  EXPECT_EQ(CRGetIGBSize(&size), kOk);
  EXPECT_EQ(size, 500);
}

}  // namespace
}  // namespace varnolo::test
