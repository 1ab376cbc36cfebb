// The simulator's line at a real speed: when each byte of a request has
// arrived, on a clock the test sets.
#include <gtest/gtest.h>

#include <vector>

#include "line_pace.h"

namespace varnolo::sim {
namespace {

using std::chrono::microseconds;
using Bytes = std::vector<uint8_t>;

TEST(LinePace, ABytePassesInTenBitTimes) {
  EXPECT_EQ(LinePace(9600).byteTime(), std::chrono::nanoseconds(1041666));
  EXPECT_FALSE(LinePace(0).paced());
}

TEST(LinePace, BytesWrittenAtOnceArriveOneByteTimeApart) {
  LinePace line(9600);
  const Clock::time_point t0{};
  line.Arrive(Bytes{1, 2, 3}, t0);
  EXPECT_TRUE(line.TakeArrived(t0 + microseconds(1000)).empty());
  EXPECT_EQ(line.TakeArrived(t0 + microseconds(2084)), (Bytes{1, 2}));
  EXPECT_EQ(line.NextArrival(), t0 + 3 * line.byteTime());
  EXPECT_EQ(line.TakeArrived(t0 + microseconds(3200)), Bytes{3});
  EXPECT_FALSE(line.NextArrival());
}

TEST(LinePace, ALaterWriteQueuesBehindBytesStillOnTheLineOrStartsOnAQuietOne) {
  LinePace line(9600);
  const Clock::time_point t0{};
  line.Arrive(Bytes{1, 2}, t0);
  line.Arrive(Bytes{3}, t0 + microseconds(500));  // the line is still busy with 1 and 2
  EXPECT_EQ(line.TakeArrived(t0 + 3 * line.byteTime()), (Bytes{1, 2, 3}));
  const Clock::time_point later = t0 + microseconds(50000);  // quiet since
  line.Arrive(Bytes{4}, later);
  EXPECT_EQ(line.NextArrival(), later + line.byteTime());
}

}  // namespace
}  // namespace varnolo::sim
