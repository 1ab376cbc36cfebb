#include "line.h"

#include <fcntl.h>
#include <stdlib.h>
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

}  // namespace varnolo::sim
