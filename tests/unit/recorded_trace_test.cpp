// Reading back a byte trace the library wrote, for the simulator's replay:
// each request with the bytes the host read after it and the pause before
// them, notes skipped, and a trace that is cut short or garbled refused with
// the number of the line at fault.
#include <gtest/gtest.h>

#include "recorded_trace.h"
#include "support/param_name.h"

namespace varnolo::test {
namespace {

using sim::ParseRecordedTrace;
using sim::RecordedTrace;

// The version byte read: a request and its answer.
const std::string kRequest = "> 03 00 00 01 1F FF 00 00 00 01 DC";
const std::string kAnswer = "< 03 01 00 01 1F FF 00 00 00 01 DB 03 03";

std::string At(const std::string& time, const std::string& body) {
  return "2026-12-10T09:57:" + time + "Z " + body + "\n";
}

TEST(RecordedTrace, GivesEachRequestTheBytesReadAfterItAndThePauseBeforeThem) {
  const std::string text =
      At("29.100", kRequest) + At("29.103", kAnswer) +
      At("29.200", "# connected to tcp://till:4001") + "2026-12-10T09:57:29.300Z " + kRequest +
      "\r\n" +  // written on Windows
      At("31.300", "< (no reply)") + At("31.400", kRequest) +
      At("31.950", "< 03 01 00 01 1F FF 00 00 00 01 00 03 03 (damaged header)") +
      At("32.000", kRequest) + At("34.000", "< 03 01 00 (incomplete)") +
      At("34.100", "> 29 00 00 00 00 00 00 00 00 00 D6");
  std::string error;
  const std::optional<RecordedTrace> trace = ParseRecordedTrace(text, &error);
  ASSERT_TRUE(trace) << error;
  ASSERT_EQ(trace->exchanges.size(), 5u);
  EXPECT_EQ(trace->lastLine, 10);

  const auto& taken = trace->exchanges[0];
  EXPECT_EQ(taken.line, 1);
  EXPECT_EQ(taken.request, (std::vector<uint8_t>{3, 0, 0, 1, 0x1F, 0xFF, 0, 0, 0, 1, 0xDC}));
  ASSERT_TRUE(taken.reply);
  EXPECT_EQ(taken.reply->bytes.size(), 13u);
  EXPECT_EQ(taken.reply->note, "");
  EXPECT_EQ(taken.reply->delayMs, 3u);

  const auto& lost = trace->exchanges[1];
  EXPECT_EQ(lost.line, 4);
  ASSERT_TRUE(lost.reply);
  EXPECT_TRUE(lost.reply->bytes.empty());
  EXPECT_EQ(lost.reply->note, "no reply");

  // The host drained the line for 30 ms of quiet before it wrote the line.
  const auto& refused = trace->exchanges[2];
  ASSERT_TRUE(refused.reply);
  EXPECT_EQ(refused.reply->note, "damaged header");
  EXPECT_EQ(refused.reply->delayMs, 520u);
  EXPECT_EQ(refused.reply->bytes[10], 0x00);

  // A reply cut short came at once; the host then waited in vain.
  const auto& cut = trace->exchanges[3];
  ASSERT_TRUE(cut.reply);
  EXPECT_EQ(cut.reply->bytes, (std::vector<uint8_t>{3, 1, 0}));
  EXPECT_EQ(cut.reply->delayMs, 0u);

  // The end-of-call notice gets no reply.
  EXPECT_EQ(trace->exchanges[4].line, 10);
  EXPECT_FALSE(trace->exchanges[4].reply);
}

struct BadTrace {
  std::string name;
  std::string text;
  std::string error;  // what the refusal says, from its start
};

class RefusedTrace : public ::testing::TestWithParam<BadTrace> {};

TEST_P(RefusedTrace, NamesTheLineAtFault) {
  std::string error;
  EXPECT_FALSE(ParseRecordedTrace(GetParam().text, &error));
  EXPECT_EQ(error.substr(0, GetParam().error.size()), GetParam().error) << error;
}

const std::string kGood = At("29.100", kRequest) + At("29.103", kAnswer);

INSTANTIATE_TEST_SUITE_P(
    Replay, RefusedTrace,
    ::testing::Values(
        BadTrace{"CutWithinAByte", kGood + "2026-12-10T09:57:29.300Z > 03 00 0",
                 "line 3: ' 0' is neither a byte in hex nor a (note)"},
        BadTrace{"CutAfterAByteOfTheReply",
                 kGood + At("29.300", kRequest) + "2026-12-10T09:57:29.303Z < 03 01 00",
                 "line 4: cut short: the trace ends within it"},
        BadTrace{"CutBeforeTheReply", kGood + At("29.300", kRequest),
                 "line 3: cut short: the trace ends before the reply to the request of line 3"},
        BadTrace{"CutWithinTheTimestamp", kGood + "2026-12-10T09:5",
                 "line 3: no timestamp (YYYY-MM-DDTHH:MM:SS.mmmZ) at its start"},
        BadTrace{"GarbledByte", kGood + At("29.300", "> 03 0G 00 01 1F FF 00 00 00 01 DC"),
                 "line 3: '0G 00 01' is not a byte in hex"},
        BadTrace{"GarbledDirection", At("29.100", "! 03 00"),
                 "line 1: the timestamp is followed by neither '>', '<' nor '#'"},
        BadTrace{"NotATraceAtAll", "GET / HTTP/1.1\n", "line 1: no timestamp"},
        BadTrace{"ReplyWithoutARequest", At("29.103", kAnswer) + kGood,
                 "line 1: a reply without a request before it"},
        BadTrace{"TwoRepliesToOneRequest", kGood + At("29.104", kAnswer),
                 "line 3: a reply without a request before it"},
        BadTrace{"RequestNotAWholePacket", At("29.100", "> 03 00 00 01") + At("29.103", kAnswer),
                 "line 1: a request of 4 bytes is not a whole packet"},
        BadTrace{"RequestWithADamagedHeader",
                 At("29.100", "> 03 00 00 01 1F FF 00 00 00 01 DD") + At("29.103", kAnswer),
                 "line 1: the request's header checksum does not match"},
        BadTrace{
            "RequestLongerThanItsHeaderSays",
            At("29.100", "> 03 01 00 01 0F 5C 00 00 00 01 8E 01 01 01") + At("29.103", kAnswer),
            "line 1: a request of 14 bytes where its header says 13"},
        BadTrace{"NoRequestAtAll", At("29.100", "# cannot open /dev/ttyS0: No such file"),
                 "no request in the trace"}),
    ParamName{});

}  // namespace
}  // namespace varnolo::test
