// A session with the register, opened on the port the user named and ended
// when the object goes: one command's in the tool, the service's for its life.
// Opening a device path points the library's COM1 at it for this process, so
// it belongs at start-up, before other threads run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace varnolo::client {

struct Target {
  std::string port = "COM1";  // as ResolvePort reads it: COM1, COM2, a device path or a device server
  uint32_t registerNumber = 1;
};

// Points the library's COM1 at a device path (for the whole process: call it
// before other threads run) and returns the target as the library then names
// it, "COM1" or "COM2". Nothing, and `error` says why, when the name names no
// port.
std::optional<Target> SelectPort(const Target& target, std::string* error = nullptr);

class RegisterSession {
 public:
  explicit RegisterSession(const Target& target);
  ~RegisterSession();
  RegisterSession(const RegisterSession&) = delete;
  RegisterSession& operator=(const RegisterSession&) = delete;
  bool open() const { return open_; }

 private:
  bool open_ = false;
};

}  // namespace varnolo::client
