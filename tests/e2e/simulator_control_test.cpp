// varnolo-sim driven from a test as a QA suite drives it: faults added at run
// time on its control channel, a reset, scenarios, its trace, its link.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "control_socket.h"
#include "link/commands.h"
#include "link/primitives.h"
#include "link/register_link.h"
#include "support/sim_process.h"
#include "varnolo.h"

namespace varnolo::test {
namespace {

using nlohmann::json;

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Scenario(const char* name) {
  return std::string(VARNOLO_SOURCE_DIR) + "/sim/scenarios/" + name;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

// A simulator with a control socket and a trace in its folder.
class ControlledSimulator : public ::testing::Test {
 protected:
  explicit ControlledSimulator(std::vector<std::string> extra = {}) : sim(Args(std::move(extra))) {}
  static std::vector<std::string> Args(std::vector<std::string> extra) {
    std::vector<std::string> args{"--control", "ctl", "--trace", "trace", "--paper", "paper"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  void SetUp() override {
    sim.BecomeCom1();
    ASSERT_TRUE(TheLink().OpenPort(0));
  }
  void TearDown() override { TheLink().ClosePort(); }

  json Ctl(const json& command) {
    std::string answer;
    std::string error;
    EXPECT_TRUE(sim::SendControlLine(sim.File("ctl"), command.dump(), &answer, &error)) << error;
    return json::parse(answer, nullptr, false);
  }
  // Trace lines that contain `text`.
  std::vector<std::string> TraceLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(Slurp(sim.File("trace")));
    for (std::string line; std::getline(in, line);) {
      if (line.find(text) != std::string::npos) out.push_back(line);
    }
    return out;
  }

  SimProcess sim;
};

TEST_F(ControlledSimulator, FaultAddedAtRunTimeHitsTheNextMatchingReply) {
  const uint8_t value = 0x5C;
  ASSERT_EQ(WriteDataMemory(1, 0x5000, {&value, 1}), kOk);
  const json added = Ctl({{"command", "fault"}, {"fault", "status:0x31@0x0100"}});
  ASSERT_EQ(added["ok"], true) << added;
  uint8_t v = 0;
  // A read of another memory space passes untouched.
  EXPECT_EQ(ReadWorkingMemory(1, cmd::kVersionByteAddress, {&v, 1}), kOk);
  EXPECT_EQ(v, 3);
  EXPECT_EQ(ReadDataMemory(1, 0x5000, {&v, 1}), 0x31);
  v = 0;
  EXPECT_EQ(ReadDataMemory(1, 0x5000, {&v, 1}), kOk);
  EXPECT_EQ(v, 0x5C);
  const json state = Ctl({{"command", "state"}});
  EXPECT_EQ(state["counters"]["faultsCommitted"], 1);
  EXPECT_TRUE(state["faults"].empty());
  // The trace shows which reply carried it.
  const std::vector<std::string> marked = TraceLines("[fault status 0x31]");
  ASSERT_EQ(marked.size(), 1u);
  EXPECT_NE(marked[0].find("<- 0100 data memory"), std::string::npos) << marked[0];
}

TEST_F(ControlledSimulator, TraceLinesCarryTimestampsThatShowADelay) {
  ASSERT_EQ(Ctl({{"command", "fault"}, {"fault", "delay:400"}})["ok"], true);
  uint8_t v = 0;
  ASSERT_EQ(ReadWorkingMemory(1, cmd::kVersionByteAddress, {&v, 1}), kOk);
  const std::regex stamped(R"(^ *(\d+) (->|<-|ctl) .*)");
  std::istringstream in(Slurp(sim.File("trace")));
  std::vector<long> requestTimes;
  long delayedAt = -1;
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, stamped)) << line;
    if (m[2] == "->") requestTimes.push_back(std::stol(m[1]));
    if (line.find("[fault delay 400]") != std::string::npos) delayedAt = std::stol(m[1]);
  }
  ASSERT_FALSE(requestTimes.empty());
  ASSERT_GE(delayedAt, 0);
  EXPECT_GE(delayedAt - requestTimes.back(), 400);
}

TEST_F(ControlledSimulator, ResetBringsTheFactoryImageBack) {
  const uint8_t value = 0x42;
  ASSERT_EQ(WriteDataMemory(1, 0x4000, {&value, 1}), kOk);
  ASSERT_EQ(Ctl({{"command", "open-shift"}, {"hoursAgo", 3}})["ok"], true);
  ASSERT_EQ(Ctl({{"command", "fault"}, {"fault", "drop@0x0100"}})["ok"], true);
  ASSERT_EQ(Ctl({{"command", "reset"}})["ok"], true);
  uint8_t back[2] = {0xEE, 0xEE};
  EXPECT_EQ(ReadDataMemory(1, 0x4000, {back, 1}), kOk);  // not dropped: faults went too
  EXPECT_EQ(back[0], 0);
  EXPECT_EQ(ReadDataMemory(1, 0x37B1, {back + 1, 1}), kOk);
  EXPECT_EQ(back[1], 0);  // no shift
  EXPECT_EQ(Ctl({{"command", "state"}})["shift"]["open"], false);
}

TEST_F(ControlledSimulator, CommandLineClientSpeaksForShellScripts) {
  const std::string ctl = std::string(SimulatorPath()) + " ctl " + sim.File("ctl");
  std::string out;
  EXPECT_EQ(RunCommand(ctl + " drawer 12.50", &out), 0) << out;
  EXPECT_EQ(RunCommand(ctl + " state", &out), 0) << out;
  EXPECT_EQ(json::parse(out)["drawerCash"], 12.5);
  EXPECT_EQ(RunCommand(ctl + " fault explode", &out), 1);
  EXPECT_NE(out.find("bad fault"), std::string::npos) << out;
  EXPECT_EQ(RunCommand(ctl + " frobnicate", &out), 2);
  EXPECT_EQ(RunCommand(std::string(SimulatorPath()) + " ctl " + sim.File("none") + " state", &out),
            3);
}

TEST_F(ControlledSimulator, SecondSimulatorOnTheSameLinkIsRefusedAndLeavesItAlone) {
  std::string out;
  EXPECT_EQ(RunCommand(std::string(SimulatorPath()) + " --pty --link " + sim.link(), &out), 1);
  EXPECT_NE(out.find("in use"), std::string::npos) << out;
  EXPECT_EQ(RunCommand(std::string(SimulatorPath()) + " --pty --link " + sim.File("other") +
                           " --control " + sim.File("ctl"),
                       &out),
            1);
  EXPECT_NE(out.find("running simulator"), std::string::npos) << out;
  // The first still answers on its link.
  TheLink().ClosePort();
  ASSERT_TRUE(TheLink().OpenPort(0));
  uint8_t v = 0;
  EXPECT_EQ(ReadWorkingMemory(1, cmd::kVersionByteAddress, {&v, 1}), kOk);
  EXPECT_EQ(v, 3);
  EXPECT_FALSE(Exists(sim.File("other")));
}

TEST_F(ControlledSimulator, HangUpSignalStopsCleanlyAndRemovesLinkAndSocket) {
  TheLink().ClosePort();
  const int status = sim.Stop(SIGHUP);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_FALSE(Exists(sim.link()));
  EXPECT_FALSE(Exists(sim.File("ctl")));
}

TEST(SimulatorStart, StaleLinkOfAKilledSimulatorIsTakenOver) {
  SimProcess first;
  const std::string link = first.link();
  first.Stop(SIGKILL);
  ASSERT_TRUE(Exists(link));  // left behind, pointing nowhere
  // A second simulator takes the link over, and removes it when it stops.
  const std::string script = "'" + std::string(SimulatorPath()) + "' --pty --link '" + link +
                             "' >/dev/null & pid=$!; sleep 0.5; readlink '" + link +
                             "'; kill $pid; wait $pid; echo exit=$?; test -e '" + link +
                             "' || echo removed";
  std::string out;
  ASSERT_EQ(RunCommand("{ " + script + "; }", &out), 0) << out;
  EXPECT_NE(out.find("/dev/pts/"), std::string::npos) << out;
  EXPECT_NE(out.find("exit=0"), std::string::npos) << out;
  EXPECT_NE(out.find("removed"), std::string::npos) << out;
}

TEST(SimulatorStart, DashSendsTraceAndPaperToStandardOutput) {
  SimProcess sim({"--trace", "-", "--paper", "-"});
  sim.BecomeCom1();
  ASSERT_EQ(CRInitInterface(1, 0), 1);
  ASSERT_EQ(CRTestTPD(), CR_OK);  // the device test prints
  CRDestroyInterface();
  sim.Stop(SIGTERM);
  const std::string out = Slurp(sim.File("stdout"));
  EXPECT_NE(out.find("-> 0701"), std::string::npos) << out;
  EXPECT_NE(out.find("DEVICE TEST"), std::string::npos) << out;
  EXPECT_FALSE(Exists(sim.File("-")));
}

// Scenarios through the library, as a POS application would meet them.
class ScenarioStart : public ::testing::Test {
 protected:
  void Start(const char* scenario) {
    sim = std::make_unique<SimProcess>(
        std::vector<std::string>{"--scenario", Scenario(scenario), "--paper", "paper"});
    sim->BecomeCom1();
    ASSERT_EQ(CRInitInterface(1, 0), 1);
  }
  void TearDown() override { CRDestroyInterface(); }
  std::string Paper() { return Slurp(sim->File("paper")); }

  std::unique_ptr<SimProcess> sim;
};

TEST_F(ScenarioStart, FullTapeMakesTheNextCheckReturnTapeFull) {
  Start("full-tape.json");
  CheckItem item{1, 10, 0, 0, 1, 0};
  EXPECT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), CR_ERR_TAPE_FULL);
  EXPECT_EQ(Paper().find("SALE"), std::string::npos);
}

TEST_F(ScenarioStart, ShiftOlderThanADayRefusesDocuments) {
  Start("shift-over-24h.json");
  CheckItem item{1, 10, 0, 0, 1, 0};
  EXPECT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), CR_ERR_SHIFT_REFUSED);
  EXPECT_EQ(Paper().find("SALE"), std::string::npos);
}

TEST(ScenarioFile, FlakyLineSchedulesItsFaultsAndSetsUpTheShop) {
  SimProcess sim({"--scenario", Scenario("flaky-line.json"), "--control", "ctl"});
  std::string answer;
  std::string error;
  ASSERT_TRUE(sim::SendControlLine(sim.File("ctl"), R"({"command": "state"})", &answer, &error))
      << error;
  const json state = json::parse(answer);
  ASSERT_GE(state["faults"].size(), 5u);
  for (const json& f : state["faults"]) EXPECT_GT(f.value("atRequest", 0), 0) << f;
}

TEST(ScenarioFile, MistakeStopsTheStartWithItsReason) {
  char path[] = "/tmp/varnolo-bad-scenario-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string text = R"({"tapeEntries": 99999})";
  ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fd);
  std::string out;
  EXPECT_EQ(RunCommand(std::string(SimulatorPath()) + " --scenario " + path, &out), 2);
  EXPECT_NE(out.find("tapeEntries"), std::string::npos) << out;
  unlink(path);
}

}  // namespace
}  // namespace varnolo::test
