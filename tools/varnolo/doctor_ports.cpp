#include "doctor_ports.h"

#include <fcntl.h>
#include <glob.h>
#include <grp.h>
#include <linux/serial.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "port_name.h"

namespace varnolo::cli {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

bool IsNetworkForm(const std::string& name) { return name.find("://") != std::string::npos; }

// COM1 and COM2 as the library opens them on this system.
std::string LibraryPort(const std::string& name) {
  std::string error;
  const std::optional<client::PortChoice> choice = client::ResolvePort(name, &error);
  if (!choice || !choice->device.empty()) return name;
  const std::string variable = choice->selector == 0 ? "VARNOLO_COM1" : "VARNOLO_COM2";
  const std::string named = Env(variable.c_str());
  if (!named.empty()) return named;
  return choice->selector == 0 ? "/dev/ttyS0" : "/dev/ttyS1";
}

std::vector<std::string> Glob(const char* pattern) {
  glob_t found{};
  std::vector<std::string> paths;
  if (glob(pattern, 0, nullptr, &found) == 0) {
    for (size_t i = 0; i < found.gl_pathc; ++i) paths.emplace_back(found.gl_pathv[i]);
  }
  globfree(&found);
  return paths;
}

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string out = real;
  std::free(real);
  return out;
}

// A /dev/ttyS* the kernel made without a UART behind it says so.
bool HasSerialChip(const std::string& device) {
  if (device.rfind("/dev/ttyS", 0) != 0) return true;
  const int fd = open(device.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return true;  // cannot tell: let the register probe find out
  serial_struct info{};
  const bool none = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN;
  close(fd);
  return !none;
}

UserGroups ThisUser(gid_t fileGroup) {
  UserGroups user;
  user.uid = getuid();
  if (const passwd* pw = getpwuid(user.uid)) user.userName = pw->pw_name;
  const int n = getgroups(0, nullptr);
  user.sessionGroups.resize(static_cast<size_t>(std::max(n, 0)));
  if (n > 0)
    user.sessionGroups.resize(static_cast<size_t>(getgroups(n, user.sessionGroups.data())));
  user.sessionGroups.push_back(getgid());
  if (const group* g = getgrgid(fileGroup)) {
    for (char** member = g->gr_mem; member != nullptr && *member != nullptr; ++member) {
      if (user.userName == *member) user.listedInGroup = true;
    }
  }
  return user;
}

}  // namespace

std::vector<PortCandidate> DoctorCandidates(const std::optional<std::string>& named) {
  if (named) return {{LibraryPort(*named), "--port", IsNetworkForm(LibraryPort(*named)), false}};
  std::vector<PortCandidate> candidates;
  std::set<std::string> seen;
  auto add = [&](const std::string& name, const std::string& origin, bool searched) {
    if (name.empty() || !seen.insert(IsNetworkForm(name) ? name : RealPath(name)).second) return;
    candidates.push_back({name, origin, IsNetworkForm(name), searched});
  };
  add(LibraryPort(Env("VARNOLO_PORT")), "VARNOLO_PORT", false);
  add(LibraryPort("COM1"), Env("VARNOLO_COM1").empty() ? "COM1" : "VARNOLO_COM1", false);
  add(LibraryPort("COM2"), Env("VARNOLO_COM2").empty() ? "COM2" : "VARNOLO_COM2", false);
  for (const char* pattern : {"/dev/ttyS*", "/dev/ttyUSB*", "/dev/ttyACM*"}) {
    for (const std::string& path : Glob(pattern)) add(path, "device", true);
  }
  return candidates;
}

DeviceAccess LookAtDevice(const PortCandidate& candidate) {
  DeviceAccess access;
  struct stat st {};
  if (stat(candidate.name.c_str(), &st) != 0) return access;
  access.exists = true;
  access.device = RealPath(candidate.name);
  access.permitted = ::access(access.device.c_str(), R_OK | W_OK) == 0;
  if (!access.permitted) {
    FileOwnership file{st.st_uid, st.st_gid, st.st_mode, std::to_string(st.st_gid)};
    if (const group* g = getgrgid(st.st_gid)) file.groupName = g->gr_name;
    access.advice = PermissionAdvice(access.device, file, ThisUser(st.st_gid));
  }
  access.serialChip = !access.permitted || HasSerialChip(access.device);
  return access;
}

std::string PermissionAdvice(const std::string& device, const FileOwnership& file,
                             const UserGroups& user) {
  const bool groupMayUse = (file.mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  const bool inGroupNow = std::find(user.sessionGroups.begin(), user.sessionGroups.end(),
                                    file.group) != user.sessionGroups.end();
  const std::string who = user.userName.empty() ? "$USER" : user.userName;
  if (!groupMayUse) {
    return "only its owner may use " + device + ": have the administrator give the group " +
           file.groupName + " read and write (a udev rule with MODE=\"0660\")";
  }
  if (inGroupNow)
    return "the group " + file.groupName + " may use " + device +
           " but this user may not: ask the administrator";
  if (user.listedInGroup) {
    return who + " was added to the group " + file.groupName +
           " after logging in: log out and in again";
  }
  return "add " + who + " to the group " + file.groupName + ": sudo usermod -aG " + file.groupName +
         " " + who + ", then log out and in again";
}

}  // namespace varnolo::cli
