// varnolo-sim --replay: a byte trace the library wrote against the simulator
// (a status, a sale with a damaged, a late and a held-back answer) played to
// the same program gives the same output and exit code; another program is
// stopped at the first request that differs, and the simulator names the
// trace line and both requests; a trace cut short or garbled is refused with
// its line number.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <regex>

#include "cli_fixture.h"
#include "support/child_process.h"
#include "support/param_name.h"

namespace varnolo::test {
namespace {

const std::string kSale = "sell '1*10.00' --paid 10";

// varnolo-sim --replay TRACE, its standard output and error in one file.
class ReplayingSim {
 public:
  explicit ReplayingSim(const std::string& trace, bool atOnce = false)
      : dir_(MakeTempDir("varnolo-replay")), link_(dir_ + "/tty") {
    std::vector<std::string> args{SimulatorPath(), "--pty", "--link", link_, "--replay", trace};
    if (atOnce) args.push_back("--at-once");
    pid_ = StartChild(args, dir_, dir_ + "/output");
    struct stat st {};
    for (int i = 0; i < 500 && lstat(link_.c_str(), &st) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~ReplayingSim() {
    Stop();
    std::string ignored;
    RunCommand("rm -rf '" + dir_ + "'", &ignored);
  }
  CliRun Cli(const std::string& args) const {
    CliRun r;
    const std::string command = std::string(VARNOLO_CLI_PATH) + " --port " + link_ + " " + args;
    r.exit = RunCommand("{ " + command + " 2>" + dir_ + "/cli-errors; }", &r.out);
    r.err = ReadText(dir_ + "/cli-errors");
    return r;
  }
  // Stops the simulator (if it has not stopped by itself) and gives its exit code.
  int Stop() {
    if (pid_ > 0) status_ = StopChild(pid_, SIGTERM), pid_ = -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
  }
  std::string Output() const { return ReadText(dir_ + "/output"); }

 private:
  std::string dir_, link_;
  pid_t pid_ = -1;
  int status_ = -1;
};

std::vector<std::string> TraceLines(const std::string& path) {
  std::istringstream in(ReadText(path));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct RecordedCase {
  std::string name;
  std::vector<std::string> simArgs;
  std::string command;
  std::string note;  // the fault as the trace shows it
  bool atOnce = false;
};

class ReplayedRun : public ::testing::TestWithParam<RecordedCase> {};

TEST_P(ReplayedRun, GivesTheSameOutputAndExitCode) {
  const RecordedCase& c = GetParam();
  CliAgainstSim recording(c.simArgs);
  recording.TraceTheLibrary();
  const CliRun recorded = recording.Run(c.command);
  ASSERT_NE(ReadText(recording.LibraryTracePath()).find(c.note), std::string::npos);

  ReplayingSim replay(recording.LibraryTracePath(), c.atOnce);
  const CliRun replayed = replay.Cli(c.command);
  EXPECT_EQ(replayed.exit, recorded.exit);
  EXPECT_EQ(replayed.out, recorded.out);
  EXPECT_EQ(replayed.err, recorded.err);
  EXPECT_EQ(replay.Stop(), 0) << replay.Output();
  EXPECT_NE(replay.Output().find("played to its end"), std::string::npos) << replay.Output();
}

INSTANTIATE_TEST_SUITE_P(
    Replay, ReplayedRun,
    ::testing::Values(
        RecordedCase{"Status", {}, "status", "> 03 00 00 01 1F FF"},
        RecordedCase{"StatusAtOnce", {}, "status", "> 03 00 00 01 1F FF", true},
        RecordedCase{
            "SaleWithADamagedAnswer", {"--fault", "damage@0x0701"}, kSale, "(damaged header)"},
        RecordedCase{"SaleWithALateAnswer", {"--fault", "delay:2500@0x0100"}, kSale, "(no reply)"},
        RecordedCase{
            "SaleAnsweredAfterTheNextRequest", {"--fault", "late@0x0701+1"}, kSale, "(no reply)"}),
    ParamName{});

// "  expected 01 00 ..." or "  received ...": the hex after the label.
std::string ShownBytes(const std::string& output, const std::string& label) {
  std::smatch m;
  if (!std::regex_search(output, m, std::regex("  " + label + " ([0-9A-F ]+)\n +-> [0-9A-F]{4}")))
    return "(no " + label + " bytes)";
  return m[1];
}

// A status taken against a fresh simulator with the library's trace on.
class ReplayOfAStatus : public ::testing::Test {
 protected:
  void SetUp() override {
    recording.TraceTheLibrary();
    ASSERT_EQ(recording.Run("status").exit, 0);
    trace = recording.LibraryTracePath();
  }
  CliAgainstSim recording{{}};
  std::string trace;
};

TEST_F(ReplayOfAStatus, AnotherCommandIsStoppedAtTheFirstRequestThatDiffers) {
  ReplayingSim replay(trace);
  EXPECT_NE(replay.Cli("totals").exit, 0);
  EXPECT_EQ(replay.Stop(), 1);
  const std::string output = replay.Output();
  std::smatch m;
  ASSERT_TRUE(std::regex_search(output, m,
                                std::regex("replay stopped at line (\\d+) of " + trace +
                                           ": request \\d+ of \\d+ differs from the trace")))
      << output;
  // The line named holds the request expected; the one received is another.
  const auto lines = TraceLines(trace);
  const size_t line = std::stoul(m[1]);
  ASSERT_LE(line, lines.size());
  EXPECT_TRUE(lines[line - 1].ends_with("> " + ShownBytes(output, "expected"))) << output;
  EXPECT_NE(ShownBytes(output, "received"), ShownBytes(output, "expected"));
  EXPECT_EQ(ShownBytes(output, "received").find("(no"), std::string::npos) << output;
}

TEST_F(ReplayOfAStatus, ARequestAfterTheTraceEndsIsNamed) {
  ReplayingSim replay(trace);
  EXPECT_EQ(replay.Cli("status").exit, 0);
  EXPECT_EQ(replay.Cli("status").exit, 3);  // the replay has stopped: nobody answers
  EXPECT_EQ(replay.Stop(), 1);
  const std::string output = replay.Output();
  const std::string lastLine = std::to_string(TraceLines(trace).size());
  EXPECT_NE(output.find("replay stopped after line " + lastLine + " of " + trace +
                        ", its end: the program sent one request more"),
            std::string::npos)
      << output;
  EXPECT_EQ(ShownBytes(output, "received"), "03 00 00 01 1F FF 00 00 00 01 DC") << output;
}

struct SpoiledTrace {
  std::string name;
  // The recorded trace's text made unreadable, and the line that says so.
  std::function<std::string(const std::string&, size_t& line)> spoil;
  std::string why;
};

class UnreadableTrace : public ReplayOfAStatus,
                        public ::testing::WithParamInterface<SpoiledTrace> {};

TEST_P(UnreadableTrace, IsRefusedWithItsLineNumber) {
  size_t line = 0;
  const std::string spoiled = GetParam().spoil(ReadText(trace), line);
  const std::string path = recording.sim().File("spoiled.txt");
  std::ofstream(path) << spoiled;

  std::string out;
  EXPECT_EQ(RunCommand(std::string(SimulatorPath()) + " --pty --replay " + path, &out), 2);
  EXPECT_NE(out.find("varnolo-sim: cannot replay " + path + ": line " + std::to_string(line) +
                     ": " + GetParam().why),
            std::string::npos)
      << out;
}

INSTANTIATE_TEST_SUITE_P(Replay, UnreadableTrace,
                         ::testing::Values(SpoiledTrace{"CutShort",
                                                        [](const std::string& text, size_t& line) {
                                                          line = Occurrences(text, "\n");
                                                          return text.substr(0, text.size() - 4);
                                                        },
                                                        "cut short"},
                                           SpoiledTrace{
                                               "Garbled",
                                               [](const std::string& text, size_t& line) {
                                                 // the third line's first byte
                                                 size_t at = 0;
                                                 for (int i = 0; i < 2; ++i)
                                                   at = text.find('\n', at) + 1;
                                                 line = 3;
                                                 std::string garbled = text;
                                                 garbled.replace(
                                                     text.find(' ', text.find(' ', at) + 1) + 1, 2,
                                                     "Q7");
                                                 return garbled;
                                               },
                                               "'Q7"}),
                         ParamName{});

}  // namespace
}  // namespace varnolo::test
