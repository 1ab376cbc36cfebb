// Varnolo.dll as Windows applications load it: its export tables, and a
// working session under Wine against varnolo-sim on a pseudo-terminal mapped
// to COM1. The DLLs come from the mingw32 and mingw64 builds.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "support/money_documents.h"
#include "support/ser2net_process.h"
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

// Money in the 32-bit DLL is computed in SSE2 doubles: none of the project's
// own i686 code does x87 arithmetic, whose rounding would follow the calling
// program's precision setting. (Loads and stores of x87 registers remain: the
// calling convention returns doubles in st(0), which is exact.)
TEST(WindowsDll32, ProjectCodeDoesNoX87Arithmetic) {
  const std::string objects = Build("mingw32") + "/src/CMakeFiles";
  if (!Exists(objects)) GTEST_SKIP() << "the mingw32 build is not there";
  std::string list;
  ASSERT_EQ(RunCommand("find " + objects + " -name '*.obj'", &list), 0);
  std::istringstream files(list);
  const std::regex x87(
      R"(\tf(add|sub|subr|mul|div|divr|iadd|isub|isubr|imul|idiv|idivr|sqrt|rndint|prem|prem1|scale|ist|istp|isttp|com|comp|comi|comip|ucom|ucomi|ucomip)p?\b[^\n]*)");
  size_t scanned = 0;
  for (std::string file; std::getline(files, file);) {
    std::string code;
    ASSERT_EQ(RunCommand("i686-w64-mingw32-objdump -d --no-show-raw-insn " + file, &code), 0);
    std::smatch m;
    EXPECT_FALSE(std::regex_search(code, m, x87)) << file << ": " << m[0];
    ++scanned;
  }
  EXPECT_GT(scanned, 30u);
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
    // The DLL reads VARNOLO_COM1 too: a value another test left in this
    // process would take the place of the COM1 Wine maps.
    unsetenv("VARNOLO_COM1");
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

// VARNOLO_COM1 names a device server in front of the register: the DLL
// connects through Winsock instead of opening the COM1 Wine maps.
TEST_P(UnderWine, WorkingSessionThroughADeviceServer) {
  ASSERT_TRUE(Ser2NetInstalled()) << "scripts/setup installs ser2net";
  Ser2NetProcess s2n(sim.link());
  const std::string trace = sim.File("dll.trace");
  const std::string saved = env;
  env = "VARNOLO_COM1=" + s2n.TcpUrl() + " VARNOLO_TRACE=" + trace + " " + env;
  RunClient("Varnolo.dll");
  env = saved;
  std::string paper;
  RunCommand("cat " + sim.File("paper"), &paper);
  EXPECT_NE(paper.find("X REPORT"), std::string::npos) << paper;
  std::string log;
  RunCommand("cat " + trace, &log);
  EXPECT_NE(log.find("# connected to " + s2n.TcpUrl()), std::string::npos) << log;
}

// What the host sent, packet by packet, from a byte trace without its times.
std::vector<std::string> SentPackets(const std::string& tracePath) {
  std::ifstream in(tracePath);
  std::vector<std::string> sent;
  for (std::string line; std::getline(in, line);) {
    const size_t at = line.find(" > ");
    if (at != std::string::npos) sent.push_back(line.substr(at + 3));
  }
  return sent;
}

// The same documents, amounts on the edges of their hundredths, through the
// Linux library in-process and through the DLL under Wine (the 32-bit one
// with x87 at extended precision): every line and totals record on the wire
// and every result are the same, byte for byte.
TEST_P(UnderWine, MoneyOnTheWireIsTheSameAsTheLinuxLibrarys) {
  const std::string reference = sim.File("linux.trace");
  std::string linuxResults;
  {
    SimProcess own;
    own.BecomeCom1();
    setenv("VARNOLO_TRACE", reference.c_str(), 1);
    FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(RunMoneyDocuments(out), 0);
    unsetenv("VARNOLO_TRACE");
    unsetenv("VARNOLO_COM1");  // the DLL below reaches the register through Wine's COM1
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;) linuxResults += static_cast<char>(c);
    std::fclose(out);
  }

  const std::string client = Build(GetParam().preset) + "/tests/windows/varnolo_money_client.exe";
  const std::string windows = sim.File("windows.trace");
  std::string out;
  RunCommand("cp " + dll + " " + client + " " + sim.dir(), &out);
  const int code = RunCommand("cd " + sim.dir() + " && VARNOLO_TRACE=" + windows + " " + env +
                                  GetParam().wine + " varnolo_money_client.exe",
                              &out);
  EXPECT_EQ(code, 0) << out;
  std::erase(out, '\r');
  EXPECT_EQ(out, linuxResults + "0 wrong\n");

  const auto expected = SentPackets(reference);
  const auto actual = SentPackets(windows);
  ASSERT_GT(expected.size(), 100u);
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "packet " << i;
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowsDll, ::testing::Values(kWin32, kWin64),
                         [](const auto& p) { return std::string(p.param.preset); });
INSTANTIATE_TEST_SUITE_P(Windows, UnderWine, ::testing::Values(kWin32, kWin64),
                         [](const auto& p) { return std::string(p.param.preset); });

}  // namespace
}  // namespace varnolo::test
