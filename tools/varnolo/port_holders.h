// doctor: which processes hold a device, from what anyone may read: the
// UUCP-style lock file (/var/lock/LCK..ttyUSB0), the advisory locks the
// kernel lists in /proc/locks (the library takes one on every port it opens),
// and the open files under /proc/PID/fd that this user may see.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnolo::cli {

struct PortHolder {
  pid_t pid = 0;
  std::string program;  // /proc/PID/comm, empty when the process is gone
  std::string seenBy;   // "lock file /var/lock/LCK..ttyUSB0", "advisory lock", "open file"
};

// Every process but this one that holds `device` (a device file, links
// resolved), each pid once.
std::vector<PortHolder> PortHolders(const std::string& device);

// The pid a lock file holds: ten ASCII digits and a line end as UUCP writes
// them, or a binary int as some old programs do.
std::optional<pid_t> LockFilePid(std::string_view content);

// The pids of the locks in /proc/locks on the file of that device and inode.
std::vector<pid_t> LockingPids(std::string_view procLocks, unsigned major, unsigned minor,
                               unsigned long inode);

}  // namespace varnolo::cli
