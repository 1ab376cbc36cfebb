// The line stays in step end to end: a late answer, a reply paced at line
// speed that is damaged or short, and a second process on a port a session
// holds. Every "next call works" compares the value read with what the
// register holds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "link/packet_assembler.h"
#include "link/primitives.h"
#include "link/register_link.h"
#include "support/pty_link_fixture.h"
#include "support/scripted_peer.h"
#include "support/sim_process.h"
#include "varnolo.h"

namespace varnolo::test {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(LateAnswer, TheReadAfterALateRunAnswerGivesTheRegistersCount) {
  // The second sale's run answer (the sixth routine call: reset, run, reset;
  // shift check, reset, run) comes 700 ms after the library gave up on it,
  // while the next call's read is on the line.
  SimProcess sim({"--fault", "delay:9700@0x0701+5", "--paper", "paper"});
  sim.BecomeCom1();
  ASSERT_EQ(CRInitInterface(1, 0), 1);
  CheckItem item{1, 5.00, 0, 0, 1, 0};
  uint16_t empty = 999;
  ASSERT_EQ(CRGetNumOfShoppings(&empty), CR_OK);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), CR_OK);
  uint16_t one = 999;
  ASSERT_EQ(CRGetNumOfShoppings(&one), CR_OK);
  const int perCheck = one - empty;
  ASSERT_GT(perCheck, 0);

  EXPECT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), CR_ERR_NO_REPLY);
  uint16_t two = 999;
  EXPECT_EQ(CRGetNumOfShoppings(&two), CR_OK);
  // The register printed the second check too, and the count says so.
  EXPECT_EQ(Count(ReadFile(sim.File("paper")), "SALE "), 2u);
  EXPECT_EQ(two, one + perCheck);
  uint16_t again = 999;
  EXPECT_EQ(CRGetNumOfShoppings(&again), CR_OK);
  EXPECT_EQ(again, two);
  CRDestroyInterface();
}

// A register on the master side of a pseudo-terminal that answers each
// request from a script, one byte a millisecond as a 9600-baud line does.
class PacedRegister {
 public:
  explicit PacedRegister(int master) : master_(master) {}
  ~PacedRegister() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  void Answer(std::vector<std::vector<uint8_t>> replies) {
    thread_ = std::thread([this, replies = std::move(replies)] {
      PacketAssembler assembler;
      size_t next = 0;
      uint8_t buf[256];
      while (!stop_ && next < replies.size()) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        const ssize_t n = read(master_, buf, sizeof buf);
        if (n <= 0) return;
        assembler.Feed(std::span<const uint8_t>(buf, static_cast<size_t>(n)));
        while (auto packet = assembler.Next()) {
          if (packet->header.command == 0x2900) continue;
          for (const uint8_t b : replies[next]) {
            if (write(master_, &b, 1) != 1) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
          ++next;
        }
      }
    });
  }

 private:
  int master_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

std::vector<uint8_t> Damaged(std::vector<uint8_t> v, size_t at) {
  v[at] ^= 0x40;
  return v;
}

struct PacedCase {
  const char* name;
  std::vector<uint8_t> first;
};

class PacedReply : public PtyLinkFixture, public ::testing::WithParamInterface<PacedCase> {};

TEST_P(PacedReply, OneBadReplyFailsNoMoreThanItsOwnExchange) {
  const std::vector<uint8_t> value(64, 0x5A);
  const std::vector<uint8_t> next{1, 2, 3, 4};
  PacedRegister reg(pty.master());
  reg.Answer({GetParam().first, DataReply(0x0300, value), DataReply(0x0300, next)});

  std::vector<uint8_t> buf(64, 0);
  EXPECT_EQ(ReadWorkingMemory(1, 0x0100, buf), kOk);  // the retry reads it
  EXPECT_EQ(buf, value);
  std::array<uint8_t, 4> four{};
  EXPECT_EQ(ReadWorkingMemory(1, 0x0200, four), kOk);
  EXPECT_EQ(std::vector<uint8_t>(four.begin(), four.end()), next);
}

INSTANTIATE_TEST_SUITE_P(
    LineSpeed, PacedReply,
    ::testing::Values(
        PacedCase{"damaged_header", Damaged(DataReply(0x0300, std::vector<uint8_t>(64, 0x5A)), 3)},
        PacedCase{"damaged_data", Damaged(DataReply(0x0300, std::vector<uint8_t>(64, 0x5A)), 40)},
        PacedCase{"fewer_bytes_than_asked", DataReply(0x0300, std::vector<uint8_t>(10, 0x5A))},
        PacedCase{"done_without_data", StatusReply(0x0701, 0)}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(OnePortOneSession, ASecondProcessCannotOpenThePortASessionHolds) {
  SimProcess sim({"--image", "image"});
  sim.BecomeCom1();
  ASSERT_EQ(CRInitInterface(1, 0), 1);
  std::string out;
  // Root passes the exclusive-use flag; the lock keeps it out all the same.
  EXPECT_EQ(RunCommand(std::string(VARNOLO_CLI_PATH) + " --port " + sim.link() + " status", &out),
            3)
      << out;
  // The session that holds the port still reads what the register holds.
  int32_t digits = -1;
  EXPECT_EQ(CRGetDigits(&digits), CR_OK);
  EXPECT_EQ(digits, ImageByte(sim.File("image"), 0, 0x01D7));
  CRDestroyInterface();

  // Closed, the port is free again and no longer marked for exclusive use.
  const int fd = open(sim.link().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  int exclusive = -1;
  ASSERT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  close(fd);
  EXPECT_EQ(RunCommand(std::string(VARNOLO_CLI_PATH) + " --port " + sim.link() + " status", &out),
            0)
      << out;
}

}  // namespace
}  // namespace varnolo::test
