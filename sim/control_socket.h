// The control channel's Unix socket: clients connect, send one JSON command a
// line and read one JSON line back per command.
#pragma once

#include <poll.h>

#include <functional>
#include <string>
#include <vector>

namespace varnolo::sim {

class ControlSocket {
 public:
  ControlSocket() = default;
  // Closes every connection and removes the socket file.
  ~ControlSocket();
  ControlSocket(const ControlSocket&) = delete;
  ControlSocket& operator=(const ControlSocket&) = delete;

  // Refuses a path where another process listens; a stale socket file is
  // replaced.
  bool Listen(const std::string& path, std::string* error);
  bool listening() const { return listener_ >= 0; }

  // The descriptors to wait on, appended to `fds`.
  void AddPollFds(std::vector<pollfd>& fds) const;
  // Accepts and answers whatever `fds` (as returned by poll) shows ready.
  void Serve(const std::vector<pollfd>& fds,
             const std::function<std::string(const std::string&)>& answer);

 private:
  struct Client {
    int fd;
    std::string pending;
  };
  int listener_ = -1;
  std::string path_;
  std::vector<Client> clients_;
};

// Sends one command line to the socket at `path` and reads the answer line.
bool SendControlLine(const std::string& path, const std::string& line, std::string* answer,
                     std::string* error);

}  // namespace varnolo::sim
