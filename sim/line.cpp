#include "line.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <climits>
#include <iostream>

namespace varnolo::sim {
namespace {

int OpenPty(std::string& path) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
  path = ptsname(master);
  termios tio{};
  const int slave = open(path.c_str(), O_RDWR | O_NOCTTY);
  if (slave >= 0) {
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    close(slave);
  }
  return master;
}

int OpenDevice(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  termios tio{};
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  tcsetattr(fd, TCSANOW, &tio);
  return fd;
}

bool PublishLink(const std::string& link, const std::string& target) {
  if (link.empty()) return true;
  const std::string temporary = link + ".new";
  unlink(temporary.c_str());
  return symlink(target.c_str(), temporary.c_str()) == 0 &&
         rename(temporary.c_str(), link.c_str()) == 0;
}

std::string LinkTarget(const std::string& link) {
  char buf[PATH_MAX];
  const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

}  // namespace

std::string LinkRefusal(const std::string& link) {
  struct stat st {};
  if (link.empty() || lstat(link.c_str(), &st) != 0) return {};
  if (!S_ISLNK(st.st_mode)) return link + " exists and is not a symbolic link";
  const std::string target = LinkTarget(link);
  // A pseudo-terminal whose other end has gone cannot be opened (or is gone).
  const int fd = open(target.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {};
  const bool terminal = isatty(fd) != 0;
  close(fd);
  if (!terminal) return {};
  return link + " points to " + target +
         ", a pseudo-terminal in use (is another varnolo-sim serving it?)";
}

Line::~Line() {
  if (fd_ >= 0) close(fd_);
  RemoveLink();
}

void Line::RemoveLink() const {
  if (!options_.link.empty() && !path_.empty() && LinkTarget(options_.link) == path_)
    unlink(options_.link.c_str());
}

bool Line::Open() {
  if (fd_ >= 0) close(fd_);
  if (!options_.pty) {
    fd_ = OpenDevice(options_.device);
    return fd_ >= 0;
  }
  fd_ = OpenPty(path_);
  if (fd_ < 0) return false;
  std::cout << path_ << std::endl;
  return PublishLink(options_.link, path_);
}

namespace {

// True while no program has the pseudo-terminal's other end open.
bool NobodyOnTheLine(int master) {
  pollfd p{master, POLLIN, 0};
  return poll(&p, 1, 0) == 1 && (p.revents & POLLHUP) != 0;
}

}  // namespace

bool Line::FreeAfterHangUp() {
  if (!options_.pty) return true;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastLook_ < std::chrono::milliseconds(500)) return true;
  lastLook_ = now;
  // A program may have opened the line meanwhile: look only while nobody has.
  if (!NobodyOnTheLine(fd_)) return true;
  const int slave = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave < 0) {
    // Refused as exclusive although still nobody holds it: a fresh
    // pseudo-terminal behind the same link.
    return errno == EBUSY && NobodyOnTheLine(fd_) ? Open() : true;
  }
  int exclusive = 0;
  if (ioctl(slave, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) ioctl(slave, TIOCNXCL);
  close(slave);
  return true;
}

}  // namespace varnolo::sim
