// One command's session with the register, opened on the port the user named
// and closed when the command ends.
#pragma once

#include <cstdint>
#include <string>

namespace varnolo::cli {

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

}  // namespace varnolo::cli
