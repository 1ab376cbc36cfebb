// cmake --install puts the library, header, pkg-config file, CMake package and
// the programs in place; the installed programs run from there by themselves,
// and the example builds against the installed tree both ways and sells a
// check at the simulator.
#include <gtest/gtest.h>

#include <cctype>

#include "support/sim_process.h"

namespace varnolo::test {
namespace {

std::string Trimmed(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  return s;
}

TEST(Installation, InstalledToolsRunAndTheExampleBuildsAgainstTheTreeAndSells) {
  SimProcess sim;
  const std::string prefix = sim.dir() + "/prefix";
  const std::string lib = prefix + "/" VARNOLO_INSTALL_LIBDIR;
  std::string out;
  ASSERT_EQ(RunCommand("cmake --install " VARNOLO_BINARY_DIR " --prefix " + prefix, &out), 0)
      << out;
  for (const char* file :
       {"/include/varnolo.h", "/include/varnolo_text.h", "/include/varnolo_labels.h",
        "/bin/varnolo", "/bin/varnolo-sim", "/" VARNOLO_INSTALL_LIBDIR "/pkgconfig/varnolo.pc",
        "/" VARNOLO_INSTALL_LIBDIR "/cmake/Varnolo/VarnoloConfig.cmake"}) {
    EXPECT_EQ(RunCommand("test -e " + prefix + file, &out), 0) << file;
  }

  // The installed programs find the installed library through their RPATH.
  ASSERT_EQ(RunCommand("env -u LD_LIBRARY_PATH VARNOLO_COM1=" + sim.link() + " " + prefix +
                           "/bin/varnolo status",
                       &out),
            0)
      << out;
  EXPECT_NE(out.find("shift           closed"), std::string::npos) << out;
  ASSERT_EQ(RunCommand("ldd " + prefix + "/bin/varnolo", &out), 0) << out;
  EXPECT_NE(out.find(prefix + "/bin/../" VARNOLO_INSTALL_LIBDIR "/libvarnolo.so.1"),
            std::string::npos)
      << out;
  ASSERT_EQ(RunCommand("env -u LD_LIBRARY_PATH " + prefix + "/bin/varnolo-sim --version", &out), 0)
      << out;
  EXPECT_EQ(out, "varnolo-sim " VARNOLO_VERSION "\n");

  // pkg-config gives plain paths into the prefix.
  const std::string pcPath = "PKG_CONFIG_PATH=" + lib + "/pkgconfig";
  const std::string pkgConfig = pcPath + " pkg-config ";
  ASSERT_EQ(RunCommand(pkgConfig + "--cflags --libs varnolo", &out), 0) << out;
  EXPECT_EQ(Trimmed(out), "-I" + prefix + "/include -L" + lib + " -lvarnolo");
  ASSERT_EQ(RunCommand(pkgConfig + "--modversion varnolo", &out), 0) << out;
  EXPECT_EQ(out, VARNOLO_VERSION "\n");

  // Under the sanitizers the library needs their runtime in the program too.
  const std::string build = sim.dir() + "/example";
  ASSERT_EQ(
      RunCommand("cmake -S " VARNOLO_SOURCE_DIR "/examples -B " + build +
                     " -DCMAKE_PREFIX_PATH=" + prefix +
                     " '-DCMAKE_C_FLAGS=" VARNOLO_SANITIZE_FLAGS "' && cmake --build " + build,
                 &out),
      0)
      << out;
  const std::string sellPc = sim.dir() + "/sell_pc";
  ASSERT_EQ(RunCommand("cc -std=c11 -Wall -Werror " VARNOLO_SANITIZE_FLAGS " -o " + sellPc +
                           " " VARNOLO_SOURCE_DIR "/examples/sell_one.c $(" + pkgConfig +
                           "--cflags --libs varnolo)",
                       &out),
            0)
      << out;
  EXPECT_EQ(RunCommand("VARNOLO_COM1=" + sim.link() + " " + build + "/sell_one", &out), 0) << out;
  EXPECT_NE(out.find("check printed"), std::string::npos) << out;
  EXPECT_EQ(
      RunCommand("VARNOLO_COM1=" + sim.link() + " LD_LIBRARY_PATH=" + lib + " " + sellPc, &out), 0)
      << out;
  EXPECT_NE(out.find("check printed"), std::string::npos) << out;
}

}  // namespace
}  // namespace varnolo::test
