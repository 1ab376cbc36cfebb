// The Debian package as a technician gets it: cpack makes the .deb from this
// build tree, dpkg -x unpacks it into a scratch root, and the installed tool
// drives the simulator from there. The manual page and the completion name
// every command the tool has.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <set>
#include <sstream>
#include <string>

#include "support/sim_process.h"

namespace varnolo::test {
namespace {

std::set<std::string> Words(const std::string& text) {
  std::set<std::string> words;
  std::istringstream in(text);
  for (std::string w; in >> w;) words.insert(w);
  return words;
}

// The command names in the "Subcommands:" part of varnolo --help.
std::set<std::string> HelpCommands(const std::string& help) {
  std::set<std::string> names;
  std::istringstream in(help);
  bool inList = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Subcommands:", 0) == 0) {
      inList = true;
    } else if (std::string name;
               inList && line.rfind("  ", 0) == 0 && std::istringstream(line) >> name) {
      names.insert(name);
    } else if (inList) {
      inList = false;
    }
  }
  return names;
}

// The package is made and unpacked once for the suite.
class DebianPackage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char dir[] = "/tmp/varnolo-deb-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    scratch = dir;
    std::string out;
    ASSERT_EQ(RunCommand("cpack -G DEB --config " VARNOLO_BINARY_DIR "/CPackConfig.cmake -B " +
                             scratch + "/out",
                         &out),
              0)
        << out;
    ASSERT_EQ(RunCommand("ls " + scratch + "/out/*.deb", &out), 0) << out;
    deb = out.substr(0, out.find('\n'));
    root = scratch + "/root";
    ASSERT_EQ(RunCommand("dpkg -x " + deb + " " + root, &out), 0) << out;
  }
  static void TearDownTestSuite() {
    std::string out;
    if (!scratch.empty()) RunCommand("rm -rf " + scratch, &out);
  }
  void SetUp() override {
    if (deb.empty()) GTEST_SKIP() << "no package was made";
  }
  // Runs a program of the unpacked package, the simulator as COM1.
  int Installed(const std::string& command, std::string* out) {
    return RunCommand(
        "env -u LD_LIBRARY_PATH VARNOLO_COM1=" + sim.link() + " " + root + "/usr/bin/" + command,
        out);
  }
  static inline std::string scratch;
  static inline std::string deb;
  static inline std::string root;
  SimProcess sim{{"--paper", "paper"}};
};

TEST_F(DebianPackage, HoldsTheLibraryHeadersToolsAndManualPages) {
  std::string out;
  ASSERT_EQ(RunCommand("dpkg-deb -f " + deb + " Package Version Architecture Depends", &out), 0)
      << out;
  EXPECT_NE(out.find("Package: varnolo\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Version: " VARNOLO_VERSION "\n"), std::string::npos) << out;
  EXPECT_NE(out.find("libc6"), std::string::npos) << out;  // found by dpkg-shlibdeps

  ASSERT_EQ(RunCommand("dpkg-deb -c " + deb, &out), 0) << out;
  const std::string lib = "./usr/" VARNOLO_INSTALL_LIBDIR "/";
  for (const std::string& entry :
       {lib + "libvarnolo.so." VARNOLO_VERSION,
        lib + "libvarnolo.so.1 -> libvarnolo.so." VARNOLO_VERSION,
        lib + "libvarnolo.so -> libvarnolo.so.1", lib + "pkgconfig/varnolo.pc",
        lib + "cmake/Varnolo/VarnoloConfig.cmake", lib + "cmake/Varnolo/VarnoloTargets.cmake",
        std::string("./usr/include/varnolo.h"), std::string("./usr/include/varnolo_text.h"),
        std::string("./usr/include/varnolo_labels.h"), std::string("./usr/bin/varnolo"),
        std::string("./usr/bin/varnolo-sim"), std::string("./usr/share/man/man1/varnolo.1.gz"),
        std::string("./usr/share/man/man1/varnolo-sim.1.gz"),
        std::string("./usr/bin/varnolo-service"),
        std::string("./usr/share/man/man1/varnolo-service.1.gz"),
        std::string("./usr/lib/systemd/system/varnolo-service.service"),
        std::string("./usr/share/bash-completion/completions/varnolo")}) {
    EXPECT_NE(out.find(entry), std::string::npos) << entry << "\n" << out;
  }
  // The library carries its SONAME; the pkg-config file names /usr.
  ASSERT_EQ(RunCommand("objdump -p " + root +
                           "/usr/" VARNOLO_INSTALL_LIBDIR "/libvarnolo.so." VARNOLO_VERSION,
                       &out),
            0);
  EXPECT_NE(out.find("SONAME               libvarnolo.so.1"), std::string::npos) << out;
  ASSERT_EQ(
      RunCommand("cat " + root + "/usr/" VARNOLO_INSTALL_LIBDIR "/pkgconfig/varnolo.pc", &out), 0);
  EXPECT_NE(out.find("prefix=/usr\n"), std::string::npos) << out;
}

TEST_F(DebianPackage, InstalledToolSellsAtTheSimulatorFromTheScratchRoot) {
  std::string out;
  ASSERT_EQ(Installed("varnolo-sim --version", &out), 0) << out;
  EXPECT_EQ(out, "varnolo-sim " VARNOLO_VERSION "\n");
  ASSERT_EQ(Installed("varnolo-service --version", &out), 0) << out;
  EXPECT_EQ(out, "varnolo-service " VARNOLO_VERSION "\n");
  ASSERT_EQ(RunCommand("ldd " + root + "/usr/bin/varnolo", &out), 0) << out;
  EXPECT_NE(out.find(root + "/usr/bin/../" VARNOLO_INSTALL_LIBDIR "/libvarnolo.so.1"),
            std::string::npos)
      << out;
  ASSERT_EQ(Installed("varnolo status", &out), 0) << out;
  EXPECT_NE(out.find("shift           closed"), std::string::npos) << out;
  ASSERT_EQ(Installed("varnolo sell '2*12.40,name=Tea'", &out), 0) << out;
  ASSERT_EQ(RunCommand("cat " + sim.File("paper"), &out), 0);
  EXPECT_NE(out.find("Tea"), std::string::npos) << out;
  EXPECT_NE(out.find("=24.80"), std::string::npos) << out;
}

TEST_F(DebianPackage, ManualPageAndCompletionNameEveryCommand) {
  std::string help;
  ASSERT_EQ(Installed("varnolo --help", &help), 0) << help;
  const std::set<std::string> commands = HelpCommands(help);
  ASSERT_GT(commands.size(), 20u) << help;

  std::string page;
  ASSERT_EQ(RunCommand("gzip -dc " + root + "/usr/share/man/man1/varnolo.1.gz", &page), 0);
  std::string completed;
  ASSERT_EQ(
      RunCommand("bash -c 'source " + root +
                     "/usr/share/bash-completion/completions/varnolo && COMP_WORDS=(varnolo \"\") "
                     "COMP_CWORD=1 && _varnolo && echo \"${COMPREPLY[*]}\"'",
                 &completed),
      0)
      << completed;
  const std::set<std::string> completions = Words(completed);
  for (const std::string& c : commands) {
    std::string inPage;  // the page writes a hyphen as \-
    for (const char ch : c) {
      if (ch == '-') inPage += '\\';
      inPage += ch;
    }
    EXPECT_NE(page.find(inPage), std::string::npos) << "varnolo(1) does not name " << c;
    EXPECT_TRUE(completions.count(c)) << "the completion does not offer " << c;
  }
  EXPECT_EQ(completions, commands);
  ASSERT_EQ(
      RunCommand("bash -c 'source " + root +
                     "/usr/share/bash-completion/completions/varnolo && COMP_WORDS=(varnolo --) "
                     "COMP_CWORD=1 && _varnolo && echo \"${COMPREPLY[*]}\"'",
                 &completed),
      0);
  for (const char* option : {"--port", "--register", "--json", "--help"}) {
    EXPECT_TRUE(Words(completed).count(option)) << option << ": " << completed;
  }
}

}  // namespace
}  // namespace varnolo::test
