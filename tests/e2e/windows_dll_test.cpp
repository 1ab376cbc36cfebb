// Varnolo.dll as Windows applications load it: its export tables, and a
// working session under Wine against varnolo-sim on a pseudo-terminal mapped
// to COM1. The DLLs come from the mingw32 and mingw64 builds.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <regex>
#include <sstream>

#include "support/sim_process.h"

namespace varnolo::test {
namespace {

struct Export {
  int ordinal;
  int bytes;
};

const std::map<std::string, Export>& ExportTable() {
  static const std::map<std::string, Export> table{
#define VARNOLO_EXPORT(ordinal, name, bytes) {#name, {ordinal, bytes}},
#include "exports/exports.inc"
#undef VARNOLO_EXPORT
  };
  return table;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

std::string Build(const std::string& preset) {
  return std::string(VARNOLO_BUILD_ROOT) + "/" + preset;
}

struct Flavour {
  const char* preset;
  const char* tools;  // MinGW tool prefix
  const char* wine;   // the Wine loader for this width
};

// The loaders themselves: the "wine" wrapper exits 0 even when it runs nothing.
const Flavour kWin32{"mingw32", "i686-w64-mingw32", "/usr/lib/wine/wine"};
const Flavour kWin64{"mingw64", "x86_64-w64-mingw32", "/usr/lib/wine/wine64"};

class WindowsDll : public ::testing::TestWithParam<Flavour> {
 protected:
  void SetUp() override {
    dll = Build(GetParam().preset) + "/src/Varnolo.dll";
    if (!Exists(dll))
      GTEST_SKIP() << dll << " is not built (cmake --build --preset " << GetParam().preset << ")";
  }
  std::string dll;
};

TEST_P(WindowsDll, ExportsThe70NamesWithTheirOrdinals) {
  std::string out;
  ASSERT_EQ(RunCommand(std::string(GetParam().tools) + "-objdump -p " + dll, &out), 0);
  // "	[   0] +base[   1] 7910 Export RVA" is followed in the name table by
  // "	[   0] CRAllowBoxMove"; ordinals are base + index.
  const std::regex nameLine(R"(\[\s*(\d+)\]\s+(CR\w+))");
  std::map<std::string, int> found;
  for (std::sregex_iterator it(out.begin(), out.end(), nameLine), end; it != end; ++it) {
    found[(*it)[2]] = std::stoi((*it)[1]) + 1;
  }
  ASSERT_EQ(found.size(), 70u) << out;
  for (const auto& [name, e] : ExportTable()) EXPECT_EQ(found[name], e.ordinal) << name;
  EXPECT_EQ(out.find("libstdc++"), std::string::npos);
  EXPECT_EQ(out.find("libgcc"), std::string::npos);
  EXPECT_EQ(out.find("libwinpthread"), std::string::npos);
}

TEST(WindowsDll32, StdcallSymbolsCarryTheArgumentBytes) {
  if (!Exists(Build("mingw32") + "/src/Varnolo.dll"))
    GTEST_SKIP() << "the mingw32 build is not there";
  std::string out;
  ASSERT_EQ(RunCommand("i686-w64-mingw32-nm " + Build("mingw32") + "/src/libvarnolo_core.a", &out),
            0);
  const std::regex symbol(R"( T _(CR\w+)@(\d+))");
  std::map<std::string, int> bytes;
  for (std::sregex_iterator it(out.begin(), out.end(), symbol), end; it != end; ++it) {
    bytes[(*it)[1]] = std::stoi((*it)[2]);
  }
  ASSERT_EQ(bytes.size(), 70u);
  for (const auto& [name, e] : ExportTable()) EXPECT_EQ(bytes[name], e.bytes) << name;
}

// Runs the Windows client under Wine in a private prefix (made once) whose
// COM1 is the simulator's pseudo-terminal.
class UnderWine : public WindowsDll {
 protected:
  static void Boot() {
    if (!prefix.empty()) return;
    char dir[] = "/tmp/varnolo-wine-XXXXXX";
    if (mkdtemp(dir) == nullptr) return;
    prefix = std::string(dir) + "/prefix";
    env = "WINEPREFIX=" + prefix +
          " WINEDEBUG=-all LC_ALL=ru_RU.UTF-8 WINEDLLOVERRIDES=mscoree,mshtml= ";
    std::string out;
    booted = RunCommand(env + "/usr/lib/wine/wine64 wineboot -i", &out) == 0;
    if (!booted) bootLog = out;
  }
  static void TearDownTestSuite() {
    std::string out;
    if (prefix.empty()) return;
    RunCommand(env + "/usr/lib/wine/wineserver -k", &out);
    RunCommand("rm -rf '" + prefix.substr(0, prefix.rfind('/')) + "'", &out);
  }
  void SetUp() override {
    WindowsDll::SetUp();
    if (IsSkipped()) return;
    // The loader must run here, not just be there: Debian's 32-bit one comes
    // with wine32 (the i386 architecture), and a kernel without 32-bit support
    // refuses it ("Exec format error").
    std::string version;
    if (const int code = RunCommand(std::string(GetParam().wine) + " --version", &version);
        code != 0) {
      GTEST_SKIP() << GetParam().wine << " does not run on this machine (exit " << code << ": "
                   << version << "): " << GetParam().preset << " was checked only statically";
    }
    Boot();
    ASSERT_TRUE(booted) << bootLog;
    std::string out;
    ASSERT_EQ(
        RunCommand(
            env +
                "/usr/lib/wine/wine64 reg add 'HKLM\\Software\\Wine\\Ports' /v COM1 /t REG_SZ /d " +
                sim.link() + " /f",
            &out),
        0)
        << out;
    RunCommand(env + "/usr/lib/wine/wineserver -k", &out);  // COM1 is read when Wine starts
  }
  // Copies the DLL under the given name beside the client and runs it.
  void RunClient(const std::string& dllName) {
    const std::string client = Build(GetParam().preset) + "/tests/windows/varnolo_dll_client.exe";
    std::string out;
    RunCommand("cp " + dll + " " + sim.dir() + "/" + dllName + " && cp " + client + " " + sim.dir(),
               &out);
    const int code = RunCommand(
        "cd " + sim.dir() + " && " + env + GetParam().wine + " varnolo_dll_client.exe " + dllName,
        &out);
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find(" passed, 0 failed"), std::string::npos) << out;
  }

  static inline std::string prefix;
  static inline std::string env;
  static inline bool booted = false;
  static inline std::string bootLog;
  SimProcess sim{{"--paper", "paper"}};
};

TEST_P(UnderWine, WorkingSessionAgainstTheSimulator) {
  RunClient("Varnolo.dll");
  std::string paper;
  RunCommand("cat " + sim.File("paper"), &paper);
  EXPECT_NE(paper.find("X REPORT"), std::string::npos) << paper;
  EXPECT_NE(paper.find("TOTAL                          23.20"), std::string::npos) << paper;
}

TEST_P(UnderWine, RenamedCopyStillFindsItsOwnTable) { RunClient("Kassa.dll"); }

INSTANTIATE_TEST_SUITE_P(Windows, WindowsDll, ::testing::Values(kWin32, kWin64),
                         [](const auto& p) { return std::string(p.param.preset); });
INSTANTIATE_TEST_SUITE_P(Windows, UnderWine, ::testing::Values(kWin32, kWin64),
                         [](const auto& p) { return std::string(p.param.preset); });

}  // namespace
}  // namespace varnolo::test
