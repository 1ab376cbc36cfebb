// libvarnolo.so as an application sees it: only the public header, a
// simulated register on a pseudo-terminal.
#include <gtest/gtest.h>

#include <unistd.h>

#include <set>
#include <sstream>

#include "support/packed_field.h"
#include "support/sim_process.h"
#include "varnolo.h"

namespace varnolo::test {
namespace {

const std::set<std::string>& ExportTable() {
  static const std::set<std::string> names{
#define VARNOLO_EXPORT(ordinal, name, bytes) #name,
#include "exports/exports.inc"
#undef VARNOLO_EXPORT
  };
  return names;
}

TEST(SharedLibrary, ExportsExactlyThe70FunctionsAndCarriesASoname) {
  std::string out;
  ASSERT_EQ(RunCommand(std::string("nm -D --defined-only ") + VARNOLO_SO_PATH, &out), 0);
  std::istringstream lines(out);
  std::set<std::string> exported;
  for (std::string line; std::getline(lines, line);)
    exported.insert(line.substr(line.rfind(' ') + 1));
  EXPECT_EQ(ExportTable().size(), 70u);
  EXPECT_EQ(exported, ExportTable());
  ASSERT_EQ(RunCommand(std::string("objdump -p ") + VARNOLO_SO_PATH, &out), 0);
  EXPECT_NE(out.find("SONAME               libvarnolo.so.1"), std::string::npos) << out;
}

class SessionOverPty : public ::testing::TestWithParam<int> {};

TEST_P(SessionOverPty, StartConfigureLockAndShutDown) {
  const std::string firmware = std::to_string(GetParam());
  const std::string image = "/tmp/varnolo-so-" + std::to_string(getpid()) + "-" + firmware + ".img";
  unlink(image.c_str());
  SimProcess sim({"--firmware", firmware, "--number", "77", "--image", image});
  sim.BecomeCom1();

  ASSERT_EQ(CRInitInterface(77, 0), 1);
  EXPECT_EQ(CRGetCRNumber(), 77u);
  // The lock flag (index 165) is set in the register's working memory.
  const size_t lockFlag = GetParam() == 3 ? 0x0F5C : 0x0F27;
  EXPECT_EQ(ImageByte(image, 1, lockFlag), 1);

  RegisterConfiguration config{1, 1, 0, 1, 0, 6, {}};
  EXPECT_EQ(CRConfigure(&config), CR_OK);
  RegisterConfiguration back{};
  EXPECT_EQ(CRGetConfiguration(&back), CR_OK);
  EXPECT_EQ(Field(back.useCashiers), 1);
  EXPECT_EQ(Field(back.option02), 1);
  EXPECT_EQ(Field(back.useGoodsBase), 0);
  EXPECT_EQ(Field(back.extendedChecks), 1);
  EXPECT_EQ(Field(back.useTaxes), 0);
  EXPECT_EQ(back.sectionCount, 6);
  int32_t size = 0;
  EXPECT_EQ(CRGetIGBSize(&size), CR_OK);
  EXPECT_EQ(size, 1800);

  EXPECT_EQ(CRDestroyInterface(), 0);
  EXPECT_EQ(ImageByte(image, 1, lockFlag), 0);
  EXPECT_EQ(CRGetCRNumber(), 0u);
  unlink(image.c_str());
}

INSTANTIATE_TEST_SUITE_P(Firmware, SessionOverPty, ::testing::Values(3, 7));

}  // namespace
}  // namespace varnolo::test
