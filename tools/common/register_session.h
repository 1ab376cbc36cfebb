// A session with the register, opened on the port the user named and ended
// when the object goes: one command's in the tool, the service's for its life.
// Opening a device path points the library's COM1 at it for this process, so
// it belongs at start-up, before other threads run.
#pragma once

#include <cstdint>
#include <string>

namespace varnolo::client {

struct Target {
  std::string port = "COM1";  // COM1, COM2 or a device path
  uint32_t registerNumber = 1;
};

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
