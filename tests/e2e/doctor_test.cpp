// varnolo doctor against a running simulator: what a technician reads of a
// register that answers (its clock, the shift's age against its 24-hour
// limit, the tape's fill), of one that is not there, and the support archive
// read back.
#include <gtest/gtest.h>

#include <cstdlib>

#include "cli_fixture.h"
#include "support/param_name.h"

namespace varnolo::test {
namespace {

std::string Scenario(const std::string& name) {
  return std::string(VARNOLO_SOURCE_DIR) + "/sim/scenarios/" + name;
}

// The register's clock is compared with the PC's local time.
class Doctor : public ::testing::Test {
 protected:
  void SetUp() override { setenv("TZ", "UTC", 1); }
  void TearDown() override { unsetenv("TZ"); }
};

struct DoctorCase {
  std::string name;
  std::vector<std::string> simArgs;
  std::string options;  // before the command
  int exit = 0;
  std::vector<std::pair<std::string, std::string>> lines;  // label, what follows it
};

class DoctorOnASim : public Doctor, public ::testing::WithParamInterface<DoctorCase> {};

TEST_P(DoctorOnASim, SaysWhatTheRegisterAnswers) {
  const DoctorCase& c = GetParam();
  CliAgainstSim sim(c.simArgs);
  const CliRun run = sim.Run(c.options + " doctor");
  EXPECT_EQ(run.exit, c.exit) << run.out << run.err;
  EXPECT_TRUE(run.out.starts_with(sim.sim().link() + " (--port)\n")) << run.out;
  for (const auto& [label, value] : c.lines) EXPECT_EQ(LineValue(run.out, label), value) << run.out;
  EXPECT_TRUE(
      run.out.ends_with(c.exit == 0 ? "\na register answered\n" : "\nno register answered\n"))
      << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Doctor, DoctorOnASim,
    ::testing::Values(DoctorCase{"AFreshRegister",
                                 {},
                                 "",
                                 0,
                                 {{"  permission", "read and write"},
                                  {"  held by", "nobody"},
                                  {"  register 1", "answered"},
                                  {"  shift", "closed"},
                                  {"  tape", "0 of 1600 entries (0%)"}}},
                      DoctorCase{"AShiftOverItsLimit",
                                 {"--scenario", Scenario("shift-over-24h.json")},
                                 "",
                                 0,
                                 {{"  tape", "120 of 1600 entries (7%)"}}},
                      DoctorCase{"ATapeAllButFull",
                                 {"--scenario", Scenario("full-tape.json")},
                                 "",
                                 0,
                                 {{"  tape",
                                   "1590 of 1600 entries (99%): close the shift and the tape soon "
                                   "(varnolo close-tape)"}}},
                      DoctorCase{"AnotherRegisterNumber",
                                 {},
                                 "--register 7",
                                 3,
                                 {{"  register 7",
                                   "did not answer (is it on, on this cable, "
                                   "numbered 7? --register N)"}}}),
    ParamName{});

TEST_F(Doctor, TellsTheClockAgainstThePcsAndTheShiftAgainstItsLimit) {
  CliAgainstSim sim({"--scenario", Scenario("shift-over-24h.json")});
  const CliRun run = sim.Run("doctor");
  ASSERT_EQ(run.exit, 0) << run.err;
  EXPECT_NE(LineValue(run.out, "  clock").find(", as this PC's ("), std::string::npos) << run.out;
  const std::string shift = LineValue(run.out, "  shift");
  EXPECT_TRUE(shift.starts_with("open since ")) << shift;
  EXPECT_TRUE(
      shift.ends_with(" h: over its 24-hour limit; documents are refused until it is "
                      "closed (varnolo close-shift)"))
      << shift;

  const nlohmann::json json = sim.Run("--json doctor").Json();
  const nlohmann::json& found = json["ports"][0]["register"];
  EXPECT_TRUE(found["answered"]);
  EXPECT_EQ(found["shift"]["overLimit"], true);
  EXPECT_GT(found["shift"]["hours"].get<double>(), 24.9);
  EXPECT_LT(found["shift"]["hours"].get<double>(), 25.1);
  EXPECT_EQ(found["tape"], (nlohmann::json{{"entries", 120}, {"capacity", 1600}}));
}

TEST_F(Doctor, AMissingDeviceIsSaidSoAndNothingAnswers) {
  CliAgainstSim sim({});
  const std::string missing = sim.sim().File("ttyUSB9");
  sim.UsePort(missing);
  const CliRun run = sim.Run("doctor");
  EXPECT_EQ(run.exit, 3);
  EXPECT_TRUE(run.out.starts_with(missing + " (--port)\n")) << run.out;
  EXPECT_EQ(LineValue(run.out, "  device"),
            "does not exist (is the cable in? is the adapter named otherwise? ls "
            "/dev/serial/by-id)");
  EXPECT_EQ(LineValue(run.out, "  register 1"), "not tried: no such device");
  EXPECT_TRUE(run.out.ends_with("no register answered\n")) << run.out;

  const nlohmann::json json = sim.Run("--json doctor").Json();
  EXPECT_EQ(json["answered"], false);
  EXPECT_EQ(json["ports"][0]["exists"], false);
  EXPECT_TRUE(json["ports"][0]["register"].is_null());
}

TEST_F(Doctor, WithoutAPortItLooksAtTheLibrarysCom1) {
  CliAgainstSim sim({});
  std::string out;
  const int exit = RunCommand("{ VARNOLO_COM1=" + sim.sim().link() + " " + VARNOLO_CLI_PATH +
                                  " --json doctor 2>/dev/null; }",
                              &out);
  EXPECT_EQ(exit, 0) << out;
  const nlohmann::json json = nlohmann::json::parse(out);
  ASSERT_FALSE(json["ports"].empty());
  EXPECT_EQ(json["ports"][0]["port"], sim.sim().link());
  EXPECT_EQ(json["ports"][0]["origin"], "VARNOLO_COM1");
  EXPECT_EQ(json["ports"][0]["register"]["answered"], true);
}

TEST_F(Doctor, TheSupportArchiveHoldsTheFindingsTheTraceTheVersionsAndTheSystem) {
  CliAgainstSim sim({});
  const std::string archive = sim.sim().File("case 1.tar.gz");
  const CliRun run = sim.Run("doctor --bundle '" + archive + "'");
  ASSERT_EQ(run.exit, 0) << run.err;
  EXPECT_TRUE(run.out.ends_with("support archive: " + archive + "\n")) << run.out;

  std::string listing;
  ASSERT_EQ(RunCommand("tar -tzf '" + archive + "' | sort", &listing), 0) << listing;
  EXPECT_EQ(listing,
            "varnolo-support/\nvarnolo-support/findings.json\nvarnolo-support/system.txt\n"
            "varnolo-support/trace.txt\nvarnolo-support/versions.txt\n");
  const std::string unpacked = sim.sim().File("unpacked");
  std::string ignored;
  ASSERT_EQ(
      RunCommand("mkdir '" + unpacked + "' && tar -xzf '" + archive + "' -C '" + unpacked + "'",
                 &ignored),
      0);
  const std::string folder = unpacked + "/varnolo-support/";

  const nlohmann::json findings = nlohmann::json::parse(ReadText(folder + "findings.json"));
  EXPECT_EQ(findings["answered"], true);
  EXPECT_EQ(findings["ports"][0]["port"], sim.sim().link());
  EXPECT_EQ(findings["ports"][0]["register"]["tape"]["capacity"], 1600);
  // The doctor's own session: the version read that opens it, the
  // end-of-call notices.
  const std::string trace = ReadText(folder + "trace.txt");
  EXPECT_NE(trace.find("> 03 00 00 01 1F FF 00 00 00 01 DC\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("> 29 00 00 00 00 00 00 00 00 00 D6\n"), std::string::npos) << trace;
  const std::string versions = ReadText(folder + "versions.txt");
  EXPECT_TRUE(versions.starts_with("varnolo " VARNOLO_VERSION "\n")) << versions;
  EXPECT_NE(versions.find("library version: " VARNOLO_VERSION), std::string::npos) << versions;
  const std::string system = ReadText(folder + "system.txt");
  EXPECT_TRUE(system.starts_with("kernel: Linux ")) << system;
  EXPECT_NE(system.find("/etc/os-release:\n"), std::string::npos) << system;
}

}  // namespace
}  // namespace varnolo::test
