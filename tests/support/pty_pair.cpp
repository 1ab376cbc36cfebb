#include "support/pty_pair.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace varnolo::test {

PtyPair::PtyPair() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    throw std::runtime_error("no pseudo-terminal");
  }
  slavePath_ = ptsname(master_);
  keepSlave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
  termios tio{};
  tcgetattr(keepSlave_, &tio);
  cfmakeraw(&tio);
  tcsetattr(keepSlave_, TCSANOW, &tio);
}

PtyPair::~PtyPair() {
  if (keepSlave_ >= 0) close(keepSlave_);
  if (master_ >= 0) close(master_);
}

void PtyPair::BecomeCom1() const { setenv("VARNOLO_COM1", slavePath_.c_str(), 1); }

}  // namespace varnolo::test
