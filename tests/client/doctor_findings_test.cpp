// What doctor reads of a port without sending a byte: the pid in a lock
// file as programs write it, the holders of a file's advisory locks as the
// kernel lists them, and the advice to a user who may not open the device.
#include <gtest/gtest.h>

#include <cstring>

#include "varnolo/doctor_ports.h"
#include "varnolo/port_holders.h"

namespace varnolo::cli {
namespace {

TEST(LockFile, HoldsItsPidAsTextOrAsABinaryInt) {
  EXPECT_EQ(LockFilePid("      4242\n"), 4242);  // UUCP: ten characters and a line end
  EXPECT_EQ(LockFilePid("4242\n"), 4242);
  std::string binary(sizeof(int32_t), '\0');
  const int32_t pid = 31337;
  std::memcpy(binary.data(), &pid, sizeof pid);
  EXPECT_EQ(LockFilePid(binary), 31337);
  EXPECT_EQ(LockFilePid(""), std::nullopt);  // no lock file
  EXPECT_EQ(LockFilePid("garbage\n"), std::nullopt);
  EXPECT_EQ(LockFilePid("0\n"), std::nullopt);
}

TEST(ProcLocks, GivesTheHoldersOfThatFileOnly) {
  const std::string locks =
      "1: FLOCK  ADVISORY  WRITE 1201 00:1a:17 0 EOF\n"
      "1: -> FLOCK  ADVISORY  WRITE 1300 00:1a:17 0 EOF\n"  // waiting, not holding
      "2: POSIX  ADVISORY  WRITE 1402 08:01:17 0 EOF\n"     // the same inode on another device
      "3: FLOCK  ADVISORY  WRITE 1503 00:1a:99 0 EOF\n"     // another file
      "4: OFDLCK ADVISORY  READ  1604 00:1a:17 0 EOF\n";
  EXPECT_EQ(LockingPids(locks, 0, 0x1a, 17), (std::vector<pid_t>{1201, 1604}));
  EXPECT_TRUE(LockingPids("", 0, 0x1a, 17).empty());
}

struct AdviceCase {
  const char* name;
  mode_t mode;
  std::vector<gid_t> sessionGroups;
  bool listedInGroup;
  std::string advice;
};

class PermissionAdviceFor : public ::testing::TestWithParam<AdviceCase> {};

TEST_P(PermissionAdviceFor, TellsTheFix) {
  const AdviceCase& c = GetParam();
  const FileOwnership file{0, 20, static_cast<mode_t>(S_IFCHR | c.mode), "dialout"};
  const UserGroups user{1000, "till", c.sessionGroups, c.listedInGroup};
  EXPECT_EQ(PermissionAdvice("/dev/ttyUSB0", file, user), c.advice);
}

INSTANTIATE_TEST_SUITE_P(
    Doctor, PermissionAdviceFor,
    ::testing::Values(
        AdviceCase{"NotInTheGroup",
                   0660,
                   {1000},
                   false,
                   "add till to the group dialout: sudo usermod -aG dialout till, then log out "
                   "and in again"},
        AdviceCase{"JoinedSinceLoggingIn",
                   0660,
                   {1000},
                   true,
                   "till was added to the group dialout after logging in: log out and in again"},
        AdviceCase{"OnlyTheOwner",
                   0600,
                   {1000, 20},
                   true,
                   "only its owner may use /dev/ttyUSB0: have the administrator give the group "
                   "dialout read and write (a udev rule with MODE=\"0660\")"},
        AdviceCase{"InTheGroupAndStillRefused",
                   0660,
                   {1000, 20},
                   true,
                   "the group dialout may use /dev/ttyUSB0 but this user may not: ask the "
                   "administrator"}),
    [](const ::testing::TestParamInfo<AdviceCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace varnolo::cli
