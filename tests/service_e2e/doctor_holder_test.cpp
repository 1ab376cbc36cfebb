// varnolo doctor on a port that varnolo-service holds: the technician is told
// which process has it (its pid and program name) and the register is not
// tried, so the service's session is left alone.
#include <gtest/gtest.h>

#include "service_fixture.h"

namespace varnolo::test {
namespace {

TEST(DoctorOnAHeldPort, NamesTheServiceThatHoldsIt) {
  ServiceAgainstSim service;
  ASSERT_GT(service.pid(), 0);
  const std::string doctor =
      std::string(VARNOLO_CLI_PATH) + " --port " + service.sim().link() + " ";

  std::string out;
  EXPECT_EQ(RunCommand("{ " + doctor + "doctor 2>/dev/null; }", &out), 3);
  const std::string holder = "pid " + std::to_string(service.pid()) + " (varnolo-service)";
  EXPECT_NE(out.find("  held by       " + holder + ", seen by its "), std::string::npos) << out;
  EXPECT_NE(out.find("  register 1    not tried: another program holds the port: stop it first"),
            std::string::npos)
      << out;

  ASSERT_EQ(RunCommand("{ " + doctor + "--json doctor 2>/dev/null; }", &out), 3);
  const nlohmann::json port = nlohmann::json::parse(out)["ports"][0];
  ASSERT_FALSE(port["heldBy"].empty()) << out;
  EXPECT_EQ(port["heldBy"][0]["pid"], service.pid());
  EXPECT_EQ(port["heldBy"][0]["program"], "varnolo-service");
  EXPECT_TRUE(port["register"].is_null());

  // The service's session was not disturbed.
  EXPECT_EQ(service.Get("/v1/status").status, 200);
}

}  // namespace
}  // namespace varnolo::test
