// The varnolo command-line tool against varnolo-sim: one command of each
// family, failures with their exit code and message, JSON read back.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_fixture.h"
#include "support/param_name.h"
#include "support/sim_process.h"

namespace varnolo::test {
namespace {

using nlohmann::json;

class Cli : public ::testing::Test {
 protected:
  int Run(const std::string& args, std::string* out) {
    return RunCommand(std::string(VARNOLO_CLI_PATH) + " --port " + sim.link() + " " + args, out);
  }
  json Json(const std::string& args, int expectedExit = 0) {
    std::string out;
    EXPECT_EQ(Run("--json " + args, &out), expectedExit) << out;
    // Standard error may follow the JSON document.
    return json::parse(out.substr(0, out.rfind('}') + 1));
  }
  SimProcess sim{{"--paper", "paper"}};
};

TEST_F(Cli, SettingsReadBackAsJson) {
  std::string out;
  ASSERT_EQ(Run("config set --sections 8 --taxes 1", &out), 0) << out;
  EXPECT_EQ(Json("config get")["sectionCount"], 8);
  ASSERT_EQ(Run("tax 2 18 --name 'НДС 18%'", &out), 0) << out;
  const json tax = Json("tax 2");
  EXPECT_EQ(tax["rate"], 18.0);
  EXPECT_EQ(tax["name"], "НДС 18%");
  ASSERT_EQ(Run("section-name 3 'Бакалея'", &out), 0) << out;
  EXPECT_EQ(Json("section-name 3")["name"], "Бакалея");
  ASSERT_EQ(Run("clock set '2027-01-15 09:30:00'", &out), 0) << out;
  EXPECT_EQ(Json("clock get")["clock"].get<std::string>().substr(0, 16), "2027-01-15 09:30");
  ASSERT_EQ(Run("goods set 501 --name Tea --price 99.5 --barcode 4600000000017", &out), 0) << out;
  EXPECT_EQ(Json("goods get 501")["price"], 99.5);
  EXPECT_EQ(Json("status")["goodsBaseSize"], 1800);
}

TEST_F(Cli, DocumentsTotalsAndTape) {
  std::string out;
  ASSERT_EQ(Run("cash-in 100", &out), 0) << out;
  const json sale = Json("sell '2*10,discount=5' '1*3.5' --paid 50");
  EXPECT_EQ(sale["registered"], true);
  const json totals = Json("totals");
  EXPECT_EQ(totals["amounts"][0], 22.5);
  const json tape = Json("tape");
  EXPECT_EQ(tape["entries"].size(), 4u);  // cash in, two lines, the total
  EXPECT_EQ(tape["entries"][3]["kindName"], "check total");
  // Named as the register's paper names them.
  ASSERT_EQ(Run("totals", &out), 0) << out;
  EXPECT_EQ(LineValue(out, "cash in"), "100.00") << out;
  EXPECT_EQ(LineValue(out, "discounts"), "1.00") << out;
  EXPECT_EQ(LineValue(out, "check lines"), "2") << out;
  ASSERT_EQ(Run("tape", &out), 0) << out;
  EXPECT_NE(out.find("check total"), std::string::npos) << out;
  EXPECT_NE(out.find("paid given"), std::string::npos) << out;
  ASSERT_EQ(Run("report x", &out), 0) << out;
  // The X report on paper names the totals as the tool does.
  const std::string paper = ReadText(sim.File("paper"));
  EXPECT_EQ(LineValue(paper, "  cash in"), "100.00") << paper;
  EXPECT_EQ(LineValue(paper, "  sales"), "22.50") << paper;
  ASSERT_EQ(Run("close-shift", &out), 0) << out;
}

TEST_F(Cli, FailureHasItsExitCodeAndMessage) {
  std::string out;
  EXPECT_EQ(Run("cash-out 10", &out), 1);
  EXPECT_NE(out.find("error 263"), std::string::npos) << out;
  EXPECT_NE(out.find("no shift open"), std::string::npos) << out;
  EXPECT_EQ(Json("annul", 1)["result"], 263);
  EXPECT_EQ(Run("sell 'two*ten'", &out), 2);
  EXPECT_EQ(RunCommand(std::string(VARNOLO_CLI_PATH) + " --port /dev/varnolo-none status", &out),
            3);
}

class CliLostReply : public ::testing::Test {
 protected:
  // The register runs the document but its answer to the run is lost.
  SimProcess sim{{"--fault", "drop@0x0701+1"}};
};

TEST_F(CliLostReply, SaysPlainlyThatTheDocumentWasRegistered) {
  std::string out;
  const int code = RunCommand(
      std::string(VARNOLO_CLI_PATH) + " --json --port " + sim.link() + " sell '1*5'", &out);
  EXPECT_EQ(code, 4);  // registered although the call failed
  const json j = json::parse(out.substr(0, out.rfind('}') + 1));
  EXPECT_EQ(j["result"], 259);
  EXPECT_EQ(j["registered"], true);
  RunCommand(std::string(VARNOLO_CLI_PATH) + " --port " + sim.link() + " sell '1*5'", &out);
  EXPECT_NE(out.find("printed"), std::string::npos) << out;  // the fault was used up
}

// The register refuses the first request after the session opened (10
// replies): nothing may appear on standard output, the error on standard
// error.
struct RefusedCase {
  const char* name;
  const char* args;
};

class CliRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(CliRefused, PrintsNoSuccessText) {
  CliAgainstSim cli({"--fault", "status:5+10"});
  const CliRun run = cli.Run(GetParam().args);
  EXPECT_EQ(run.exit, 1) << run.out << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("error 5:"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliRefused,
    ::testing::Values(RefusedCase{"CloseShift", "close-shift"},
                      RefusedCase{"CloseTape", "close-tape"}, RefusedCase{"Report", "report x"},
                      RefusedCase{"Drawer", "drawer"}, RefusedCase{"DeviceTest", "test"},
                      RefusedCase{"Cashier", "cashier"}, RefusedCase{"Header", "header"},
                      RefusedCase{"Tax", "tax 1"},
                      RefusedCase{"ClockSet", "clock set '2027-01-01 00:00:00'"},
                      RefusedCase{"Totals", "totals"}),
    ParamName());

TEST(CliRefusedAfterClose, CloseShiftWithoutShiftSaysOnlyTheError) {
  CliAgainstSim cli({});
  const CliRun run = cli.Run("close-shift");
  EXPECT_EQ(run.exit, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("error 263"), std::string::npos) << run.err;
}

// Firmware 4 and 7 keep the check-printing permission where this firmware's
// flag area cannot reach: the state is marked, the rest is shown.
class CliStatusFirmware : public ::testing::TestWithParam<int> {};

TEST_P(CliStatusFirmware, ShowsEveryFieldItCanRead) {
  CliAgainstSim cli({"--firmware", std::to_string(GetParam())});
  const CliRun run = cli.Run("--json status");
  const bool hasState = GetParam() != 4 && GetParam() != 7;
  EXPECT_EQ(run.exit, 0) << run.out << run.err;
  const json j = run.Json();
  EXPECT_EQ(j["goodsBaseSize"], 1800);
  EXPECT_EQ(j["tapeEntries"], 0);
  EXPECT_EQ(j["shiftOpen"], false);
  EXPECT_EQ(j["configuration"]["sectionCount"], 16);
  if (hasState) {
    EXPECT_EQ(j["state"]["locked"], true);  // by this session
  } else {
    EXPECT_TRUE(j["state"].is_null());
    EXPECT_EQ(j["notAvailable"], json::array({"state"}));
    EXPECT_NE(cli.Run("status").out.find("not available on this firmware"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, CliStatusFirmware, ::testing::Values(3, 4, 5, 6, 7));

}  // namespace
}  // namespace varnolo::test
