// cmake --install puts the library, header, pkg-config file and CMake package
// in place; the example builds against the installed tree both ways and sells
// a check at the simulator.
#include <gtest/gtest.h>

#include "support/sim_process.h"

namespace varnolo::test {
namespace {

TEST(Installation, ExampleBuildsAgainstTheInstalledTreeAndSells) {
  SimProcess sim;
  const std::string prefix = sim.dir() + "/prefix";
  std::string out;
  ASSERT_EQ(RunCommand("cmake --install " VARNOLO_BINARY_DIR " --prefix " + prefix, &out), 0)
      << out;
  for (const char* file : {"/include/varnolo.h", "/include/varnolo_text.h",
                           "/include/varnolo_labels.h", "/bin/varnolo", "/bin/varnolo-sim",
                           "/lib/pkgconfig/varnolo.pc", "/lib/cmake/Varnolo/VarnoloConfig.cmake"}) {
    EXPECT_EQ(RunCommand("test -e " + prefix + file, &out), 0) << file;
  }
  const std::string build = sim.dir() + "/example";
  ASSERT_EQ(RunCommand("cmake -S " VARNOLO_SOURCE_DIR "/examples -B " + build +
                           " -DCMAKE_PREFIX_PATH=" + prefix + " && cmake --build " + build,
                       &out),
            0)
      << out;
  ASSERT_EQ(
      RunCommand(
          "PKG_CONFIG_PATH=" + prefix + "/lib/pkgconfig cc -std=c11 -Wall -Werror -o " + sim.dir() +
              "/sell_pc " VARNOLO_SOURCE_DIR "/examples/sell_one.c $(PKG_CONFIG_PATH=" + prefix +
              "/lib/pkgconfig pkg-config --cflags --libs varnolo)",
          &out),
      0)
      << out;
  EXPECT_EQ(RunCommand("VARNOLO_COM1=" + sim.link() + " LD_LIBRARY_PATH=" + prefix + "/lib " +
                           build + "/sell_one",
                       &out),
            0)
      << out;
  EXPECT_NE(out.find("check printed"), std::string::npos) << out;
}

}  // namespace
}  // namespace varnolo::test
