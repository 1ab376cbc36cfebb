// varnolo-sim as a process: its options, its line, its image on disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "link/primitives.h"
#include "link/register_link.h"
#include "support/sim_process.h"

namespace varnolo::test {
namespace {

TEST(SimulatorProgram, HelpExplainsEveryOption) {
  std::string out;
  ASSERT_EQ(RunCommand(std::string(SimulatorPath()) + " --help", &out), 0);
  for (const char* option : {"--pty",     "--link",       "--device",         "--firmware",
                             "--number",  "--goods-base", "--image",          "--paper",
                             "--trace",   "--fault",      "--control",        "--scenario",
                             "--version", "late",         "pace:MS",          "short:N",
                             "long:N",    "nodata",       "How faults queue", "SIGHUP"}) {
    EXPECT_NE(out.find(option), std::string::npos) << option;
  }
}

TEST(SimulatorProgram, VersionIsTheProjectVersion) {
  std::string out;
  ASSERT_EQ(RunCommand(std::string(SimulatorPath()) + " --version", &out), 0);
  EXPECT_EQ(out, "varnolo-sim " VARNOLO_PROJECT_VERSION "\n");
}

TEST(SimulatorProgram, BadOptionsExitNonzeroWithAMessage) {
  for (const char* args : {"--firmware 9", "--goods-base 700", "--fault explode", "--bogus",
                           "--number x", "--scenario /nonexistent.json", "--fault pace:0"}) {
    std::string out;
    EXPECT_EQ(RunCommand(std::string(SimulatorPath()) + " " + args, &out), 2) << args;
    EXPECT_NE(out.find("varnolo-sim:"), std::string::npos) << args;
  }
}

class SimulatorLine : public ::testing::Test {
 protected:
  void TearDown() override { TheLink().ClosePort(); }
};

TEST_F(SimulatorLine, AnswersPacketsOverItsPseudoTerminal) {
  SimProcess sim({"--firmware", "5", "--number", "42", "--trace", "/dev/null"});
  sim.BecomeCom1();
  ASSERT_TRUE(TheLink().OpenPort(0));
  uint8_t version = 0;
  EXPECT_EQ(ReadWorkingMemory(42, 0x1FFF, {&version, 1}), kOk);
  EXPECT_EQ(version, 5);
  const uint8_t bytes[3] = {1, 2, 3};
  EXPECT_EQ(WriteDataMemory(42, 0x4000, bytes), kOk);
  uint8_t back[3] = {};
  EXPECT_EQ(ReadDataMemory(42, 0x4000, back), kOk);
  EXPECT_EQ(back[2], 3);
  EXPECT_EQ(ReadDataMemory(42, 0x7FFF, std::span<uint8_t>(back, 2)), kOutOfRange);
}

TEST_F(SimulatorLine, AcknowledgedWriteSurvivesSigkill) {
  const std::string image = "/tmp/varnolo-kill-" + std::to_string(getpid()) + ".img";
  unlink(image.c_str());
  SimProcess sim({"--image", image});
  sim.BecomeCom1();
  ASSERT_TRUE(TheLink().OpenPort(0));
  const uint8_t value = 0x5C;
  ASSERT_EQ(WriteDataMemory(1, 0x5000, {&value, 1}), kOk);
  const int status = sim.Stop(SIGKILL);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(ImageByte(image, 0, 0x5000), 0x5C);
  unlink(image.c_str());
}

TEST_F(SimulatorLine, ImageIsLoadedAtTheNextStart) {
  const std::string reload = "/tmp/varnolo-reload-" + std::to_string(getpid()) + ".img";
  unlink(reload.c_str());
  {
    SimProcess first({"--image", reload});
    first.BecomeCom1();
    ASSERT_TRUE(TheLink().OpenPort(0));
    const uint8_t value = 0x77;
    ASSERT_EQ(WriteGoodsMemory(1, 0x1234, {&value, 1}), kOk);
    TheLink().ClosePort();
    EXPECT_EQ(first.Stop(SIGTERM), 0);
  }
  SimProcess second({"--image", reload});
  second.BecomeCom1();
  ASSERT_TRUE(TheLink().OpenPort(0));
  uint8_t back = 0;
  EXPECT_EQ(ReadGoodsMemory(1, 0x1234, {&back, 1}), kOk);
  EXPECT_EQ(back, 0x77);
  unlink(reload.c_str());
}

}  // namespace
}  // namespace varnolo::test

namespace varnolo::test {
namespace {

// A program killed while it held the line exclusive leaves the flag on the
// pseudo-terminal (its other end, the simulator, keeps the pair alive); once
// nobody has the line open the simulator frees it, so that the program,
// restarted, can open it again.
TEST(SimulatorLineHeldByTheDead, IsFreedOnceNobodyHasItOpen) {
  SimProcess sim;
  {
    const int fd = open(sim.link().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ioctl(fd, TIOCEXCL), 0);
    close(fd);  // as a killed process leaves it: no TIOCNXCL
  }
  bool freed = false;
  for (int i = 0; i < 100 && !freed; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int fd = open(sim.link().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) continue;  // an ordinary user is refused until a fresh line is behind the link
    int exclusive = 1;
    ASSERT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    close(fd);
    freed = exclusive == 0;
  }
  EXPECT_TRUE(freed);
}

}  // namespace
}  // namespace varnolo::test
