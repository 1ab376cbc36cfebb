// The byte trace for support cases: with VARNOLO_TRACE naming a file, every
// packet of a session is a line of hex bytes, and a port that would not open
// says why; without the variable there is no file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "support/sim_process.h"
#include "varnolo.h"

namespace varnolo::test {
namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class ByteTrace : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv("VARNOLO_TRACE");
    std::remove(path.c_str());
  }
  const std::string path = "/tmp/varnolo-trace-" + std::to_string(getpid()) + ".txt";
};

TEST_F(ByteTrace, EveryPacketOfASessionIsALineOfHexBytes) {
  SimProcess sim;
  sim.BecomeCom1();
  setenv("VARNOLO_TRACE", path.c_str(), 1);
  ASSERT_EQ(CRInitInterface(1, 0), 1);
  int32_t digits = -1;
  ASSERT_EQ(CRGetDigits(&digits), CR_OK);
  CRDestroyInterface();

  const auto lines = Lines(path);
  ASSERT_GE(lines.size(), 4u);
  // The first request reads the firmware version byte at 0x1FFF.
  const std::regex stamped(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z ([<>])((?: [0-9A-F]{2})+)$)");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[0], m, stamped)) << lines[0];
  EXPECT_EQ(m[1], ">");
  EXPECT_EQ(m[2], " 03 00 00 01 1F FF 00 00 00 01 DC");
  ASSERT_TRUE(std::regex_match(lines[1], m, stamped)) << lines[1];
  EXPECT_EQ(m[1], "<");
  size_t notices = 0;
  for (const auto& line : lines) {
    EXPECT_TRUE(std::regex_match(line, stamped)) << line;
    if (line.ends_with("> 29 00 00 00 00 00 00 00 00 00 D6")) ++notices;
  }
  EXPECT_GE(notices, 2u);  // the start-up's and the digits read's
}

TEST_F(ByteTrace, APortThatWouldNotOpenSaysWhy) {
  setenv("VARNOLO_COM1", "/dev/varnolo-no-such-device", 1);
  setenv("VARNOLO_TRACE", path.c_str(), 1);
  ASSERT_EQ(CRInitInterface(1, 0), 0);
  const auto lines = Lines(path);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("# cannot open /dev/varnolo-no-such-device: No such file or directory"),
            std::string::npos)
      << lines[0];
}

TEST_F(ByteTrace, WithoutTheVariableThereIsNoFile) {
  SimProcess sim;
  sim.BecomeCom1();
  unsetenv("VARNOLO_TRACE");
  ASSERT_EQ(CRInitInterface(1, 0), 1);
  CRDestroyInterface();
  EXPECT_NE(access(path.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace varnolo::test
