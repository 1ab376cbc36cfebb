// After a failed document the varnolo tool tells the cashier whether the
// register registered it, judged by the control tape's count once the line
// has been quiet, and the paper log shows that the verdict was true.
#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "support/param_name.h"

namespace varnolo::test {
namespace {

using nlohmann::json;

// A register that has just been switched on answers 10 replies while the
// tool opens its session; the count read before the document is the second
// working-memory read (0x0300), the first read after a failure the third.
struct VerdictCase {
  const char* name;
  std::vector<std::string> faults;
  int exit;
  json registered;
  size_t printed;  // sale checks on the paper log
};

class CliVerdict : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(CliVerdict, TellsWhatThePaperShows) {
  const VerdictCase& c = GetParam();
  std::vector<std::string> args;
  for (const std::string& f : c.faults) args.insert(args.end(), {"--fault", f});
  CliAgainstSim cli(args);
  const CliRun run = cli.Run("--json sell '1*5'");
  EXPECT_EQ(run.exit, c.exit) << run.out << run.err;
  const json j = run.Json();
  EXPECT_EQ(j["registered"], c.registered) << run.out;
  EXPECT_EQ(Occurrences(cli.Paper(), "SALE"), c.printed) << cli.Paper();
  if (c.exit != 0) {
    EXPECT_NE(j["result"], 0);
  }
  // The outcome's one shape, as varnolo-service answers it too.
  EXPECT_EQ(j["document"], "receipt");
  if (j["tapeCountBefore"].is_null()) {
    // No count before: the document was never sent.
    EXPECT_NE(j["verdict"].get<std::string>().find("not sent"), std::string::npos) << run.out;
    EXPECT_EQ(c.printed, 0u);
  } else if (c.exit == 4) {
    EXPECT_GT(j["tapeCountAfter"], j["tapeCountBefore"]) << run.out;
  } else if (c.exit == 1) {
    EXPECT_EQ(j["tapeCountAfter"], j["tapeCountBefore"]) << run.out;
  } else if (c.exit == 5) {
    EXPECT_TRUE(j["tapeCountAfter"].is_null()) << run.out;
  }
  EXPECT_EQ(j["verdict"].get<std::string>().rfind("sale check: ", 0), 0u) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliVerdict,
    ::testing::Values(
        VerdictCase{"Done", {}, 0, true, 1},
        // The run is carried out but its answer is lost.
        VerdictCase{"RunAnswerLost", {"drop@0x0701+1"}, 4, true, 1},
        // The run answers after the library stopped waiting (9000 ms for one
        // line): the late answer must not be taken for the count.
        VerdictCase{"RunAnswerLate", {"delay:9700@0x0701+1"}, 4, true, 1},
        // The check is printed, then the closing reset is refused.
        VerdictCase{"ClosingResetRefused", {"status:0x33@0x0701+2"}, 4, true, 1},
        // The run itself is refused: nothing printed.
        VerdictCase{"RunRefused", {"status:0x33@0x0701+1"}, 1, false, 0},
        // Refused, and the first count read after it answers late: the late
        // answer lands on the next read, which must not decide alone.
        VerdictCase{
            "RefusedThenLateCount", {"status:0x33@0x0701+1", "delay:2600@0x0300+2"}, 1, false, 0},
        // The answer is lost and the line stays silent to every count read.
        VerdictCase{"LineStaysSilent", {"drop@0x0701+1", "drop:40@0x0300+2"}, 5, nullptr, 1},
        // No count before: the document is not sent at all.
        VerdictCase{"NoCountBefore", {"drop:8@0x0300+1"}, 1, false, 0}),
    ParamName());

TEST(CliVerdictText, SaysWhatToDo) {
  CliAgainstSim cli({"--fault", "status:0x33@0x0701+2"});
  const CliRun run = cli.Run("sell '1*5'");
  EXPECT_EQ(run.exit, 4);
  EXPECT_NE(run.out.find("DID register it"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("do not repeat it"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("error 51"), std::string::npos) << run.err;
}

TEST(CliVerdictText, EveryDocumentKindIsJudged) {
  // A refused cash out (no shift open, so no cash) is judged too: nothing on
  // the tape, exit 1, and the paper shows no cash out.
  CliAgainstSim cli({});
  const CliRun run = cli.Run("--json cash-out 10");
  EXPECT_EQ(run.exit, 1) << run.out << run.err;
  EXPECT_EQ(run.Json()["registered"], false);
  EXPECT_EQ(run.Json()["result"], 263);
  EXPECT_EQ(Occurrences(cli.Paper(), "CASH OUT"), 0u);
}

// SIGINT and SIGTERM: the exchange under way finishes, the register is
// unlocked and the session ended, the exit code tells which signal came.
TEST(CliSignals, DocumentFinishesThenTheSessionEnds) {
  CliAgainstSim cli({"--fault", "delay:1500@0x0701+1"});
  // The register has printed and holds its answer back: the tool is mid-exchange.
  const CliRun run = cli.RunAndSignal(
      "sell '1*5'", SIGINT, [&] { return cli.Paper().find("SALE") != std::string::npos; });
  EXPECT_EQ(run.exit, 130) << run.out << run.err;
  EXPECT_NE(run.out.find("sale check: printed"), std::string::npos) << run.out;
  EXPECT_EQ(Occurrences(cli.Paper(), "SALE"), 1u);
  const std::string trace = cli.Trace();
  EXPECT_NE(trace.rfind("-> 0405 end session"), std::string::npos) << trace;
  EXPECT_EQ(ImageByte(cli.sim().File("register.img"), 1, 0x0F5C), 0);  // unlocked
}

TEST(CliSignals, ExportStopsAndKeepsTheOldFile) {
  CliAgainstSim cli({});
  const std::string file = cli.sim().File("goods.csv");
  { std::ofstream(file) << "the old export\n"; }
  const CliRun run = cli.RunAndSignal("goods export " + file, SIGTERM, [&] {
    for (const auto& e : std::filesystem::directory_iterator(cli.sim().dir()))
      if (e.path().string().find("goods.csv.partial-") != std::string::npos) return true;
    return false;
  });
  EXPECT_EQ(run.exit, 143) << run.out << run.err;
  EXPECT_NE(run.err.find("interrupted"), std::string::npos) << run.err;
  EXPECT_EQ(ReadText(file), "the old export\n");
  std::string listing;
  RunCommand("ls " + cli.sim().dir(), &listing);
  EXPECT_EQ(listing.find("partial"), std::string::npos) << listing;
  EXPECT_NE(cli.Trace().rfind("-> 0405 end session"), std::string::npos);
  EXPECT_EQ(ImageByte(cli.sim().File("register.img"), 1, 0x0F5C), 0);
}

}  // namespace
}  // namespace varnolo::test
