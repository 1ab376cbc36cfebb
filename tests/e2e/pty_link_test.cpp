// The link over a real pseudo-terminal with the system's own platform.
#include <gtest/gtest.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "link/packet_assembler.h"
#include "link/register_link.h"
#include "support/pty_link_fixture.h"
#include "support/scripted_peer.h"

namespace varnolo::test {
namespace {

double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double WallMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

using PtyLinkTest = PtyLinkFixture;

TEST_F(PtyLinkTest, ExchangesAPacketWithAPeerOnTheMasterSide) {
  std::atomic<bool> served{false};
  std::thread peer([&] {
    PacketAssembler assembler;
    uint8_t buf[64];
    while (!served) {
      pollfd p{pty.master(), POLLIN, 0};
      if (poll(&p, 1, 2000) <= 0) return;
      const ssize_t n = read(pty.master(), buf, sizeof buf);
      if (n <= 0) return;
      assembler.Feed(std::span<const uint8_t>(buf, static_cast<size_t>(n)));
      if (auto packet = assembler.Next()) {
        const auto reply = DataReply(packet->header.command, {0x07});
        ASSERT_EQ(write(pty.master(), reply.data(), reply.size()),
                  static_cast<ssize_t>(reply.size()));
        served = true;
      }
    }
  });
  uint8_t version = 0;
  EXPECT_EQ(TheLink().Exchange({0x0300, 1, 0x1FFF, 1}, {}, {&version, 1}, 2000), kOk);
  EXPECT_EQ(version, 7);
  peer.join();
}

TEST_F(PtyLinkTest, WaitingForAReplyThatNeverComesCostsAlmostNoCpu) {
  uint8_t version = 0;
  const double wall0 = WallMs();
  const double cpu0 = ThreadCpuMs();
  EXPECT_EQ(TheLink().Exchange({0x0300, 1, 0x1FFF, 1}, {}, {&version, 1}, 400), kNoReply);
  const double wall = WallMs() - wall0;
  const double cpu = ThreadCpuMs() - cpu0;
  EXPECT_GE(wall, 400.0);
  EXPECT_LT(cpu, 0.05 * wall) << "cpu " << cpu << " ms over " << wall << " ms";
}

TEST_F(PtyLinkTest, MissingDeviceDoesNotOpen) {
  TheLink().ClosePort();
  setenv("VARNOLO_COM2", "/dev/varnolo-no-such-device", 1);
  EXPECT_FALSE(TheLink().OpenPort(1));
  EXPECT_FALSE(TheLink().IsPortOpen());
}

}  // namespace
}  // namespace varnolo::test
