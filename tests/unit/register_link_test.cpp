#include <gtest/gtest.h>

#include "link/primitives.h"
#include "link/register_link.h"
#include "support/param_name.h"
#include "support/scripted_peer.h"

namespace varnolo::test {
namespace {

class RegisterLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform->SetPeer(&peer);
    ASSERT_TRUE(TheLink().OpenPort(0));
  }

  ScopedFakePlatform platform;
  ScriptedPeer peer;
  const PacketHeader read4{0x0300, 4, 0x0100, 1};
};

TEST_F(RegisterLinkTest, OpenPortChoosesComByTheSelector) {
  TheLink().ClosePort();
  for (int32_t selector : {0, 1, 7}) {
    ASSERT_TRUE(TheLink().OpenPort(selector));
    TheLink().ClosePort();
  }
  EXPECT_EQ(platform->OpenedPorts(), (std::vector<std::string>{"COM1", "COM1", "COM2", "COM2"}));
}

TEST_F(RegisterLinkTest, ClosedLinkReturns256WithoutTouchingPriority) {
  TheLink().ClosePort();
  std::array<uint8_t, 4> buf{};
  EXPECT_EQ(TheLink().Exchange(read4, {}, buf, 2000), kPortClosed);
  EXPECT_EQ(platform->MaxPriorityLevel(), 0);
  EXPECT_FALSE(TheLink().WriteBytes(buf));
}

TEST_F(RegisterLinkTest, ReadReplyFillsTheBufferAndRestoresPriority) {
  peer.ThenBytes(DataReply(0x0300, {1, 2, 3, 4}));
  std::array<uint8_t, 4> buf{};
  EXPECT_EQ(TheLink().Exchange(read4, {}, buf, 2000), kOk);
  EXPECT_EQ(buf, (std::array<uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(platform->MaxPriorityLevel(), 1);
  EXPECT_EQ(platform->PriorityLevel(), 0);
}

TEST_F(RegisterLinkTest, WriteSendsHeaderDataAndChecksumEachFollowedBy1ms) {
  peer.ThenBytes(StatusReply(0x0301, 0));
  const uint8_t abc[] = {0x61, 0x62, 0x63};
  EXPECT_EQ(TheLink().Exchange({0x0301, 3, 0x0010, 1}, abc, {}, 2000), kOk);
  const auto& w = platform->Written();
  ASSERT_EQ(w.size(), 11u + 3 + 1);
  EXPECT_EQ(w.back(), 0x26);
  EXPECT_EQ(platform->Sleeps(), (std::vector<uint32_t>{1, 1, 1}));
}

// What the reply says decides the result; the buffer is touched only by data.
struct ReplyCase {
  const char* name;
  std::vector<uint8_t> reply;
  ResultCode expected;
  bool bufferWritten;
};

class ReplyRules : public RegisterLinkTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ReplyRules, ResultAndBuffer) {
  peer.ThenBytes(GetParam().reply);
  std::array<uint8_t, 4> buf{9, 9, 9, 9};
  EXPECT_EQ(TheLink().Exchange(read4, {}, buf, 2000), GetParam().expected);
  EXPECT_EQ(buf != (std::array<uint8_t, 4>{9, 9, 9, 9}), GetParam().bufferWritten);
  EXPECT_EQ(platform->PriorityLevel(), 0);
}

std::vector<uint8_t> Cut(std::vector<uint8_t> v, size_t n) {
  v.resize(n);
  return v;
}
std::vector<uint8_t> Flip(std::vector<uint8_t> v, size_t at) {
  v[at] ^= 0x40;
  return v;
}
std::vector<uint8_t> OddWithLengthZero() {
  const WireHeader w = EncodeHeader({0x0301, 0, 0x0700, 0});
  return {w.begin(), w.end()};
}

INSTANTIATE_TEST_SUITE_P(
    Link, ReplyRules,
    ::testing::Values(
        ReplyCase{"status_without_data", StatusReply(0x0300, 0x17), 0x17, false},
        ReplyCase{"odd_low_byte_but_length_0", OddWithLengthZero(), 0x07, false},
        ReplyCase{"cut_after_10_header_bytes", Cut(DataReply(0x0300, {1, 2, 3, 4}), 10), kNoReply,
                  false},
        ReplyCase{"cut_in_the_data", Cut(DataReply(0x0300, {1, 2, 3, 4}), 13), kNoReply, false},
        ReplyCase{"checksum_missing", Cut(DataReply(0x0300, {1, 2, 3, 4}), 15), kNoReply, false},
        ReplyCase{"damaged_header_checksum", Flip(DataReply(0x0300, {1, 2, 3, 4}), 10), kNoReply,
                  false},
        ReplyCase{"damaged_data", Flip(DataReply(0x0300, {1, 2, 3, 4}), 12), kNoReply, false},
        ReplyCase{"longer_than_the_buffer", DataReply(0x0300, {1, 2, 3, 4, 5, 6}), kNoReply, false},
        ReplyCase{"shorter_than_asked", DataReply(0x0300, {1, 2}), kNoReply, false},
        ReplyCase{"done_without_data", StatusReply(0x0300, 0), kNoReply, false}),
    ParamName());

std::vector<uint8_t> Then(std::vector<uint8_t> first, const std::vector<uint8_t>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// What reaches the host in place of a read's answer, with the register's real
// answer to that read right behind it. The read is refused, the line is
// drained, the retry reads the value, and the next read is in step.
struct NotTheAnswerCase {
  const char* name;
  std::vector<uint8_t> first;
  uint32_t perByteMs;
};

class NotTheAnswer : public RegisterLinkTest,
                     public ::testing::WithParamInterface<NotTheAnswerCase> {};

TEST_P(NotTheAnswer, RefusedAndTheRetryReadsTheRegistersValue) {
  const auto& c = GetParam();
  peer.Then(PeerReply{Then(c.first, DataReply(0x0300, {7, 7, 7, 7})), 0, c.perByteMs});
  peer.Then(PeerReply{DataReply(0x0300, {1, 2, 3, 4}), 0, c.perByteMs});
  peer.Then(PeerReply{DataReply(0x0300, {5, 6, 7, 8}), 0, c.perByteMs});
  std::array<uint8_t, 4> buf{9, 9, 9, 9};
  EXPECT_EQ(ReadWorkingMemory(1, 0x0100, buf), kOk);
  EXPECT_EQ(buf, (std::array<uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(ReadWorkingMemory(1, 0x0100, buf), kOk);
  EXPECT_EQ(buf, (std::array<uint8_t, 4>{5, 6, 7, 8}));
  EXPECT_EQ(platform->Packets().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Link, NotTheAnswer,
                         ::testing::Values(
                             // a routine's late "done" that came after the input was purged
                             NotTheAnswerCase{"late_done_without_data", StatusReply(0x0701, 0), 0},
                             NotTheAnswerCase{"fewer_bytes_than_asked", DataReply(0x0300, {1}), 0},
                             NotTheAnswerCase{"more_bytes_than_asked",
                                              DataReply(0x0300, {1, 2, 3, 4, 5}), 0},
                             // at line speed the data behind a damaged header is still arriving
                             NotTheAnswerCase{"damaged_header_at_line_speed",
                                              Flip(DataReply(0x0300, {1, 2, 3, 4}), 10), 1},
                             NotTheAnswerCase{"damaged_data_at_line_speed",
                                              Flip(DataReply(0x0300, {1, 2, 3, 4}), 12), 1}),
                         ParamName());

TEST_F(RegisterLinkTest, AStatusExchangeTakesTheStatusAndDropsDataItDidNotAskFor) {
  // A routine call whose reply carries data: the routine ran.
  peer.ThenBytes(DataReply(0x0701, std::vector<uint8_t>(40, 0x11)));
  peer.ThenBytes(DataReply(0x0300, {1, 2, 3, 4}));
  const uint8_t params[] = {0, 0};
  EXPECT_EQ(TheLink().Exchange({0x0701, 2, 0x1234, 1}, params, {}, 10000), kOk);
  std::array<uint8_t, 4> buf{};
  EXPECT_EQ(TheLink().Exchange(read4, {}, buf, 2000), kOk);
  EXPECT_EQ(buf, (std::array<uint8_t, 4>{1, 2, 3, 4}));
}

TEST_F(RegisterLinkTest, ARefusalStillAnswersARead) {
  peer.ThenBytes(StatusReply(0x0300, 0x33));
  std::array<uint8_t, 4> buf{9, 9, 9, 9};
  EXPECT_EQ(ReadWorkingMemory(1, 0x0100, buf), 0x33);
  EXPECT_EQ(buf, (std::array<uint8_t, 4>{9, 9, 9, 9}));
  EXPECT_EQ(platform->Packets().size(), 1u);  // a refusal is not sent again
}

TEST_F(RegisterLinkTest, DataReplyYields0WhateverByte4Holds) {
  // Byte 4 of a data reply is the address high byte: not a status.
  PacketHeader h{0x0301, 2, 0x3300, 0};
  const WireHeader w = EncodeHeader(h);
  std::vector<uint8_t> reply(w.begin(), w.end());
  reply.insert(reply.end(), {5, 6, 11});
  peer.ThenBytes(reply);
  std::array<uint8_t, 2> buf{};
  EXPECT_EQ(TheLink().Exchange({0x0300, 2, 0, 1}, {}, buf, 2000), kOk);
  EXPECT_EQ(buf, (std::array<uint8_t, 2>{5, 6}));
}

TEST_F(RegisterLinkTest, ReplyLongerThanTheBufferIsReadWholeSoTheNextExchangeIsInStep) {
  peer.ThenBytes(DataReply(0x0300, {1, 2, 3, 4, 5, 6, 7, 8}));
  peer.ThenBytes(DataReply(0x0300, {4, 3, 2, 1}));
  std::array<uint8_t, 4> buf{};
  EXPECT_EQ(TheLink().Exchange(read4, {}, buf, 2000), kNoReply);
  EXPECT_EQ(TheLink().Exchange(read4, {}, buf, 2000), kOk);
  EXPECT_EQ(buf, (std::array<uint8_t, 4>{4, 3, 2, 1}));
}

TEST_F(RegisterLinkTest, LateReplyNeverAnswersTheNextRequest) {
  // The first reply comes 5 s late, after its 2 s timeout.
  peer.ThenBytes(DataReply(0x0300, {0xEE, 0xEE, 0xEE, 0xEE}), 5000);
  peer.ThenBytes(DataReply(0x0300, {1, 2, 3, 4}), 10);
  std::array<uint8_t, 4> buf{};
  EXPECT_EQ(TheLink().Exchange(read4, {}, buf, 2000), kNoReply);
  platform->SleepMs(4000);  // the late bytes are in the input buffer now
  EXPECT_EQ(TheLink().Exchange(read4, {}, buf, 2000), kOk);
  EXPECT_EQ(buf, (std::array<uint8_t, 4>{1, 2, 3, 4}));
}

TEST_F(RegisterLinkTest, SilenceCostsTheTimeoutPlusOneMsPerByte) {
  std::array<uint8_t, 4> buf{};
  const uint64_t before = platform->NowMs();
  EXPECT_EQ(TheLink().Exchange(read4, {}, buf, 2000), kNoReply);
  EXPECT_EQ(platform->NowMs() - before, 1u + 2000u + 11u);
  EXPECT_EQ(platform->PriorityLevel(), 0);
}

}  // namespace
}  // namespace varnolo::test
