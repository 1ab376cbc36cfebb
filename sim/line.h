// The simulator's end of the line: a pseudo-terminal (with an optional
// symbolic link to it) or a real serial port.
#pragma once

#include <chrono>
#include <string>

#include "server.h"

namespace varnolo::sim {

// Why `link` may not be taken over: it names a pseudo-terminal that is alive
// (another simulator serves it), or something that is not a symbolic link.
// Empty when the link is absent or stale.
std::string LinkRefusal(const std::string& link);

class Line {
 public:
  explicit Line(const ServeOptions& options) : options_(options) {}
  // Closes the line and removes the link, if it still points to this line.
  ~Line();
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  // Opens (or opens anew, after a hang-up) and publishes the link.
  bool Open();
  int fd() const { return fd_; }
  // While nobody has the line open: a pseudo-terminal left exclusive by a
  // program that died holding it (a serial port forgets that on its last
  // close, a pseudo-terminal only with its other end) is made free again, so
  // that the program restarted as an ordinary user can open it. False when
  // the line could not be opened anew.
  bool FreeAfterHangUp();

 private:
  void RemoveLink() const;

  const ServeOptions& options_;
  int fd_ = -1;
  std::string path_;
  std::chrono::steady_clock::time_point lastLook_{};
};

}  // namespace varnolo::sim
