#include <gtest/gtest.h>

#include "link/primitives.h"
#include "link/register_link.h"
#include "support/param_name.h"
#include "support/scripted_peer.h"

namespace varnolo::test {
namespace {

class PrimitivesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform->SetPeer(&peer);
    peer.Otherwise(ZeroRegister);
    ASSERT_TRUE(TheLink().OpenPort(0));
  }

  std::vector<std::pair<uint16_t, uint16_t>> AddressesAndLengths() {
    std::vector<std::pair<uint16_t, uint16_t>> out;
    for (const Packet& p : platform->Packets()) out.emplace_back(p.header.address, p.header.length);
    return out;
  }

  ScopedFakePlatform platform;
  ScriptedPeer peer;
};

TEST_F(PrimitivesTest, ReadOf300BytesGoesAs128Plus128Plus44WithPauses) {
  std::vector<uint8_t> buf(300);
  EXPECT_EQ(ReadWorkingMemory(1, 0x1000, buf), kOk);
  EXPECT_EQ(AddressesAndLengths(), (std::vector<std::pair<uint16_t, uint16_t>>{
                                       {0x1000, 128}, {0x1080, 128}, {0x1100, 44}}));
  // one 1 ms pause after each header write, 20 ms after each block
  EXPECT_EQ(platform->Sleeps(), (std::vector<uint32_t>{1, 20, 1, 20, 1, 20}));
}

TEST_F(PrimitivesTest, DataMemoryWriteOf256BytesIsTwoBlocks) {
  std::vector<uint8_t> bytes(256, 0x55);
  EXPECT_EQ(WriteDataMemory(1, 0x0100, bytes), kOk);
  ASSERT_EQ(platform->Packets().size(), 2u);
  EXPECT_EQ(platform->Packets()[1].header.address, 0x0180);
  EXPECT_EQ(platform->Packets()[1].data.size(), 128u);
  EXPECT_EQ(platform->TotalSleepMs(), 2u * (3 + 20));
}

TEST_F(PrimitivesTest, GoodsMemoryUses32ByteBlocksAnd30msPauses) {
  std::vector<uint8_t> bytes(33);
  EXPECT_EQ(WriteGoodsMemory(1, 0, bytes), kOk);
  EXPECT_EQ(AddressesAndLengths(), (std::vector<std::pair<uint16_t, uint16_t>>{{0, 32}, {32, 1}}));
  EXPECT_EQ(platform->Packets()[0].header.command, 0x0801);
  EXPECT_EQ(platform->TotalSleepMs(), 2u * (3 + 30));
}

struct BoundCase {
  const char* name;
  ResultCode (*read)(uint32_t, uint16_t, std::span<uint8_t>);
  uint16_t address;
  size_t length;
  ResultCode expected;
};

class Bounds : public PrimitivesTest, public ::testing::WithParamInterface<BoundCase> {};

TEST_P(Bounds, InclusiveEndAndNoTrafficBeyond) {
  std::vector<uint8_t> buf(GetParam().length);
  EXPECT_EQ(GetParam().read(1, GetParam().address, buf), GetParam().expected);
  EXPECT_EQ(platform->Packets().empty(), GetParam().expected == kOutOfRange);
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, Bounds,
    ::testing::Values(BoundCase{"working_1_at_1FFF", ReadWorkingMemory, 0x1FFF, 1, kOk},
                      BoundCase{"working_2_at_1FFF", ReadWorkingMemory, 0x1FFF, 2, kOutOfRange},
                      BoundCase{"data_128_at_end", ReadDataMemory, 0x8000 - 128, 128, kOk},
                      BoundCase{"data_128_one_later", ReadDataMemory, 0x8000 - 127, 128,
                                kOutOfRange},
                      BoundCase{"goods_past_end", ReadGoodsMemory, 0x7FF0, 17, kOutOfRange},
                      BoundCase{"flag_1_at_4E", ReadFlagArea, 0x4E, 1, kOk},
                      BoundCase{"flag_at_0F45", ReadFlagArea, 0x0F45, 1, kOutOfRange}),
    ParamName());

TEST_F(PrimitivesTest, OneLostReplyIsRetriedAndTheTransferGoesOn) {
  peer.ThenSilence();
  peer.ThenBytes(DataReply(0x0300, std::vector<uint8_t>(128, 7)));
  std::vector<uint8_t> buf(129);
  EXPECT_EQ(ReadWorkingMemory(1, 0, buf), kOk);
  EXPECT_EQ(platform->Packets().size(), 3u);  // 128, 128 again, then 1
  EXPECT_EQ(buf[0], 7);
}

TEST_F(PrimitivesTest, TwoLostRepliesFailTheBlockWithoutAPause) {
  peer.ThenSilence();
  peer.ThenSilence();
  std::vector<uint8_t> buf(200, 0xAB);
  EXPECT_EQ(ReadDataMemory(1, 0, buf), kNoReply);
  EXPECT_EQ(platform->Packets().size(), 2u);
  for (uint32_t s : platform->Sleeps()) EXPECT_EQ(s, 1u);
  EXPECT_EQ(buf[0], 0xAB);
}

TEST_F(PrimitivesTest, StatusRefusalIsNotRetried) {
  peer.ThenBytes(StatusReply(0x0301, 5));
  const uint8_t b = 1;
  EXPECT_EQ(WriteWorkingMemory(1, 0x0F5C, {&b, 1}), 5);
  EXPECT_EQ(platform->Packets().size(), 1u);
}

TEST_F(PrimitivesTest, ZeroLengthTransferSendsNothing) {
  EXPECT_EQ(ReadDataMemory(1, 0x10, {}), kOk);
  EXPECT_TRUE(platform->Packets().empty());
}

struct RoutineCase {
  const char* name;
  uint8_t slot;
  uint8_t count;
  CapabilityEntry entry;
  bool withParameters;
  ResultCode expected;
};

class RoutineChecks : public PrimitivesTest, public ::testing::WithParamInterface<RoutineCase> {};

TEST_P(RoutineChecks, RefusedBeforeAnyTraffic) {
  const uint8_t params[4] = {1, 2, 3, 4};
  const auto& c = GetParam();
  EXPECT_EQ(
      CallRoutine(1, c.slot, c.count, c.entry, 0,
                  c.withParameters ? std::span<const uint8_t>(params) : std::span<const uint8_t>(),
                  10000),
      c.expected);
  EXPECT_TRUE(platform->Packets().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, RoutineChecks,
    ::testing::Values(RoutineCase{"slot_5", 5, 5, 0x13DA4, true, kOutOfRange},
                      RoutineCase{"slot_above_count", 1, 0, 0x13DA4, true, kOutOfRange},
                      RoutineCase{"parameters_missing", 0, 2, 0x13DA4, false, kOutOfRange},
                      RoutineCase{"entry_0", 0, 0, 0, false, kNotCarriedOut}),
    ParamName());

TEST_F(PrimitivesTest, CallRoutineParameterBlock) {
  const uint8_t params[4] = {0x01, 0x10, 0x37, 0x00};
  EXPECT_EQ(CallRoutine(1, 3, 4, 0x0001CCFF, 0x00001EC5, params, 10000), kOk);
  const Packet& p = platform->Packets().at(0);
  EXPECT_EQ(p.header.command, 0x0701);
  EXPECT_EQ(p.header.address, 0xCCFF);
  EXPECT_EQ(p.header.length, 9);
  EXPECT_EQ(p.data, (std::vector<uint8_t>{0x01, 0x04, 0x03, 0xC5, 0x1E, 0x01, 0x10, 0x37, 0x00}));
}

TEST_F(PrimitivesTest, CallRoutineWithoutParametersSendsTwoBytes) {
  EXPECT_EQ(CallRoutine(1, 0, 0, 0x00001EC9, 0, {}, 3000), kOk);
  const Packet& p = platform->Packets().at(0);
  EXPECT_EQ(p.header.length, 2);
  EXPECT_EQ(p.data, (std::vector<uint8_t>{0x00, 0x00}));
}

TEST_F(PrimitivesTest, CallRoutineWithBlockSends257Bytes) {
  std::array<uint8_t, kRoutineBlockSize> block{};
  block.fill('x');
  EXPECT_EQ(CallRoutineWithBlock(1, 0x00013DA4, block), kOk);
  const Packet& p = platform->Packets().at(0);
  EXPECT_EQ(p.header.length, 257);
  EXPECT_EQ(p.data[0], 1);
  EXPECT_EQ(p.data[1], 0);
  EXPECT_EQ(p.data[256], 'x');
}

TEST_F(PrimitivesTest, ReadRoutineResultCountAbove4Is257) {
  uint8_t out[5]{};
  EXPECT_EQ(ReadRoutineResult(1, 5, out), kOutOfRange);
  peer.ThenBytes(DataReply(0x0700, {1}));
  EXPECT_EQ(ReadRoutineResult(1, 1, out), kOk);
  EXPECT_EQ(out[0], 1);
}

struct DisplayCase {
  const char* text;
  std::string sent;
};

class Display : public PrimitivesTest, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(Display, SixteenBytesPaddedWithSpaces) {
  EXPECT_EQ(ShowOnDisplay(1, GetParam().text, 0x1234, 7), kOk);
  const Packet& p = platform->Packets().at(0);
  EXPECT_EQ(p.header.command, 0x0407);
  EXPECT_EQ(p.header.address, 0x0134);  // flag bit, position's low byte
  EXPECT_EQ(std::string(p.data.begin(), p.data.end()), GetParam().sent);
}

INSTANTIATE_TEST_SUITE_P(Primitives, Display,
                         ::testing::Values(DisplayCase{"", std::string(16, ' ')},
                                           DisplayCase{"TOTAL 12.50", "TOTAL 12.50     "},
                                           DisplayCase{"0123456789ABCDEFGHIJ", "0123456789ABCDEF"},
                                           DisplayCase{"\xC8\xD2\xCE\xC3",
                                                       "\x88\x92\x8E\x83            "}));

TEST_F(PrimitivesTest, ClockTravelsAsSevenBcdBytes) {
  EXPECT_EQ(WriteClock(1, {5, 11, 2007, 14, 3, 9}), kOk);
  EXPECT_EQ(platform->Packets().at(0).data,
            (std::vector<uint8_t>{0x05, 0x11, 0x20, 0x07, 0x14, 0x03, 0x09}));
  peer.ThenBytes(DataReply(0x0600, {0x31, 0x12, 0x19, 0x99, 0x23, 0x59, 0x58}));
  ClockValue v;
  EXPECT_EQ(ReadClock(1, v), kOk);
  EXPECT_EQ(v.day, 31);
  EXPECT_EQ(v.month, 12);
  EXPECT_EQ(v.year, 1999);
  EXPECT_EQ(v.hour, 23);
  EXPECT_EQ(v.minute, 59);
  EXPECT_EQ(v.second, 58);
}

TEST_F(PrimitivesTest, SessionAndSelectorCommands) {
  EXPECT_EQ(BeginSessionCommand(1, 1), kOk);
  const WireHeader begin = platform->Packets().at(0).wire;
  EXPECT_EQ(std::vector<uint8_t>(begin.begin(), begin.begin() + 6),
            (std::vector<uint8_t>{0x04, 0x03, 0x00, 0x00, 0x01, 0x00}));
  const uint8_t b = 0x20;
  EXPECT_EQ(SendSelectorBytes(1, {&b, 1}, 1), kNotCarriedOut);
  EXPECT_EQ(platform->Packets().size(), 1u);
  EXPECT_EQ(SendSelectorBytes(1, {&b, 1}, 0), kOk);
  EXPECT_EQ(platform->Packets().back().data, (std::vector<uint8_t>{0x20}));
}

TEST_F(PrimitivesTest, GoodsBaseSizeRetriesOnceAndPausesOnlyOnSuccess) {
  peer.ThenSilence();
  peer.ThenSilence();
  std::array<uint8_t, 4> reply{};
  EXPECT_EQ(QueryGoodsBaseSize(1, reply), kNoReply);
  EXPECT_EQ(platform->Packets().size(), 2u);
  EXPECT_EQ(platform->TotalSleepMs(), 2u);
}

}  // namespace
}  // namespace varnolo::test
