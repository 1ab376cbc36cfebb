#include "port_holders.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace varnolo::cli {
namespace {

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string ProgramName(pid_t pid) {
  std::string name = ReadSmallFile("/proc/" + std::to_string(pid) + "/comm");
  while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
  return name;
}

bool ProcessAlive(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

std::vector<pid_t> PidsWithFileOpen(const std::string& device) {
  std::vector<pid_t> pids;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return pids;
  while (const dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || pid <= 0) continue;
    const std::string fdDir = std::string("/proc/") + entry->d_name + "/fd";
    DIR* fds = opendir(fdDir.c_str());
    if (fds == nullptr) continue;  // another user's process
    while (const dirent* fd = readdir(fds)) {
      char target[PATH_MAX];
      const std::string link = fdDir + "/" + fd->d_name;
      const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
      if (n > 0 && device == std::string(target, static_cast<size_t>(n))) {
        pids.push_back(static_cast<pid_t>(pid));
        break;
      }
    }
    closedir(fds);
  }
  closedir(proc);
  return pids;
}

}  // namespace

std::optional<pid_t> LockFilePid(std::string_view content) {
  const size_t start = content.find_first_not_of(' ');
  if (start != std::string_view::npos && content[start] >= '0' && content[start] <= '9') {
    long pid = 0;
    for (size_t i = start; i < content.size() && content[i] >= '0' && content[i] <= '9'; ++i)
      pid = pid * 10 + (content[i] - '0');
    if (pid > 0 && pid <= INT_MAX) return static_cast<pid_t>(pid);
    return std::nullopt;
  }
  if (content.size() == sizeof(int32_t)) {
    int32_t pid = 0;
    std::memcpy(&pid, content.data(), sizeof pid);
    if (pid > 0) return static_cast<pid_t>(pid);
  }
  return std::nullopt;
}

std::vector<pid_t> LockingPids(std::string_view procLocks, unsigned major, unsigned minor,
                               unsigned long inode) {
  // "1: FLOCK  ADVISORY  WRITE 1234 00:05:123 0 EOF"; a waiting lock ("1: ->")
  // is not held.
  std::vector<pid_t> pids;
  std::istringstream in{std::string(procLocks)};
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, file;
    long pid = 0;
    if (!(fields >> number >> kind) || kind == "->") continue;
    if (!(fields >> mode >> access >> pid >> file)) continue;
    unsigned ma = 0, mi = 0;
    unsigned long ino = 0;
    if (std::sscanf(file.c_str(), "%x:%x:%lu", &ma, &mi, &ino) != 3) continue;
    if (ma == major && mi == minor && ino == inode && pid > 0)
      pids.push_back(static_cast<pid_t>(pid));
  }
  return pids;
}

std::vector<PortHolder> PortHolders(const std::string& device) {
  std::vector<PortHolder> holders;
  auto add = [&](pid_t pid, const std::string& seenBy) {
    if (pid == getpid() || !ProcessAlive(pid)) return;
    const bool known = std::any_of(holders.begin(), holders.end(),
                                   [pid](const PortHolder& h) { return h.pid == pid; });
    if (!known) holders.push_back({pid, ProgramName(pid), seenBy});
  };
  const std::string base = device.substr(device.find_last_of('/') + 1);
  for (const char* dir : {"/var/lock", "/run/lock"}) {
    const std::string lockFile = std::string(dir) + "/LCK.." + base;
    if (const std::optional<pid_t> pid = LockFilePid(ReadSmallFile(lockFile)))
      add(*pid, "lock file " + lockFile);
  }
  struct stat st {};
  if (stat(device.c_str(), &st) == 0) {
    // /proc/locks names the file by the device its inode lives on.
    for (const pid_t pid :
         LockingPids(ReadSmallFile("/proc/locks"), major(st.st_dev), minor(st.st_dev), st.st_ino))
      add(pid, "advisory lock");
  }
  for (const pid_t pid : PidsWithFileOpen(device)) add(pid, "open file");
  return holders;
}

}  // namespace varnolo::cli
