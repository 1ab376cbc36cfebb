// doctor: which ports to look at, and what the system says of each before a
// byte is sent: does the device exist, may this user open it, is there a
// serial chip behind it.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace varnolo::cli {

struct PortCandidate {
  std::string name;       // as the user names it: a device path, or a network form (tcp://...)
  std::string origin;     // where the name came from: --port, VARNOLO_COM1, "device" for a search
  bool network = false;   // a network form: no device file to look at
  bool searched = false;  // found by the device search, not named
};

// With `named`, that one port (COM1 and COM2 as the library maps them).
// Without, the ports the library would use (VARNOLO_PORT, VARNOLO_COM1,
// VARNOLO_COM2) and then the usual devices: /dev/ttyS*, /dev/ttyUSB*,
// /dev/ttyACM*; each device once.
std::vector<PortCandidate> DoctorCandidates(const std::optional<std::string>& named);

struct DeviceAccess {
  bool exists = false;
  std::string device;      // the device file behind links (a pseudo-terminal, /dev/ttyUSB0)
  bool permitted = false;  // this user may read and write it
  std::string advice;      // how to get permission, when not permitted
  bool serialChip = true;  // false for a /dev/ttyS* with no UART behind it
};

DeviceAccess LookAtDevice(const PortCandidate& candidate);

// What a user who may not open a device file should do, from the file's owner,
// group and mode and the user's groups: join the file's group (dialout on
// Debian) and log in again, or only log in again when the user has joined it
// since logging in.
struct FileOwnership {
  uid_t owner = 0;
  gid_t group = 0;
  mode_t mode = 0;
  std::string groupName;
};
struct UserGroups {
  uid_t uid = 0;
  std::string userName;
  std::vector<gid_t> sessionGroups;  // the groups this process runs with
  bool listedInGroup = false;        // the group database lists the user in the file's group
};
std::string PermissionAdvice(const std::string& device, const FileOwnership& file,
                             const UserGroups& user);

}  // namespace varnolo::cli
