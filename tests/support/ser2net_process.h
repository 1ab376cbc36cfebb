// Debian's ser2net in front of a simulator's pseudo-terminal: one raw `tcp`
// accepter and one `telnet(rfc2217)` accepter on loopback ports of its own,
// configured by a YAML file in a temporary folder, stopped by its pid.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace varnolo::test {

// True when /usr/sbin/ser2net is installed.
bool Ser2NetInstalled();

// A loopback TCP port nobody listens on just now.
uint16_t FreeLoopbackPort();

class Ser2NetProcess {
 public:
  // Serves `device` (the simulator's link); waits until both ports listen.
  explicit Ser2NetProcess(const std::string& device);
  ~Ser2NetProcess();
  Ser2NetProcess(const Ser2NetProcess&) = delete;
  Ser2NetProcess& operator=(const Ser2NetProcess&) = delete;

  std::string TcpUrl() const { return "tcp://127.0.0.1:" + std::to_string(tcpPort_); }
  std::string TelnetUrl() const { return "rfc2217://127.0.0.1:" + std::to_string(telnetPort_); }

  // SIGKILL: every connection drops at once, as when the box loses power.
  void Kill();
  // Starts it again on the same ports.
  void Start();
  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

 private:
  std::string dir_;
  uint16_t tcpPort_ = 0;
  uint16_t telnetPort_ = 0;
  pid_t pid_ = -1;
};

// True when something listens on 127.0.0.1:port (read from /proc/net/tcp,
// without connecting).
bool ListensOnLoopback(uint16_t port);

}  // namespace varnolo::test
