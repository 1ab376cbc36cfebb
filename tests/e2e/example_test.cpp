// The shipped example follows the lost-reply recipe: after a failed check it
// tells, from the tape count, what the paper shows.
#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "support/param_name.h"

namespace varnolo::test {
namespace {

struct ExampleCase {
  const char* name;
  const char* fault;
  int exit;
  const char* says;
  size_t printed;
};

class SellOne : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(SellOne, SaysWhatThePaperShows) {
  const ExampleCase& c = GetParam();
  SimProcess sim({"--paper", "paper.txt", "--fault", c.fault});
  std::string out;
  EXPECT_EQ(RunCommand("VARNOLO_COM1=" + sim.link() + " " VARNOLO_SELL_ONE_PATH, &out), c.exit)
      << out;
  EXPECT_NE(out.find(c.says), std::string::npos) << out;
  EXPECT_EQ(Occurrences(ReadText(sim.File("paper.txt")), "SALE"), c.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SellOne,
    ::testing::Values(ExampleCase{"Printed", "delay:0", 0, "check printed", 1},
                      ExampleCase{"AnswerLost", "drop@0x0701+1", 4, "WAS printed", 1},
                      ExampleCase{"ClosingResetRefused", "status:0x33@0x0701+2", 4, "WAS printed",
                                  1},
                      ExampleCase{"RunRefused", "status:0x33@0x0701+1", 1, "was not printed", 0}),
    ParamName());

}  // namespace
}  // namespace varnolo::test
