#include "platform/posix/posix_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/posix/monotonic_clock.h"
#include "platform/trace_file.h"

namespace varnolo {
namespace {

class PosixSerialPort final : public SerialPort {
 public:
  explicit PosixSerialPort(int fd) : fd_(fd) {}
  ~PosixSerialPort() override {
    // The next session, in this process or another, must be able to open it.
    ioctl(fd_, TIOCNXCL);
    close(fd_);  // releases the lock as well
  }
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  void Write(std::span<const uint8_t> bytes) override {
    size_t done = 0;
    const uint64_t deadline = MonotonicMs() + 2000u * (bytes.size() + 1);
    while (done < bytes.size()) {
      ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) return;
      const uint64_t now = MonotonicMs();
      if (now >= deadline) return;
      pollfd p{fd_, POLLOUT, 0};
      poll(&p, 1, static_cast<int>(deadline - now));
    }
  }

  // Waits for input with poll() first: right after a request the reply is
  // never there yet, so reading first would only cost a call.
  size_t Read(std::span<uint8_t> bytes, uint32_t timeoutMs) override {
    size_t got = 0;
    const uint64_t deadline = MonotonicMs() + timeoutMs + bytes.size();
    while (got < bytes.size()) {
      const uint64_t now = MonotonicMs();
      if (now >= deadline) break;
      pollfd p{fd_, POLLIN, 0};
      const int r = poll(&p, 1, static_cast<int>(deadline - now));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0 || (p.revents & (POLLERR | POLLNVAL)) != 0) break;
      if ((p.revents & POLLIN) == 0) {
        // The other end is gone (a pseudo-terminal without its master): wait
        // out the deadline like a silent line, without spinning.
        const uint64_t left = deadline - MonotonicMs();
        if (left < deadline) {
          timespec ts{static_cast<time_t>(left / 1000), static_cast<long>((left % 1000) * 1000000)};
          nanosleep(&ts, nullptr);
        }
        break;
      }
      const ssize_t n = ::read(fd_, bytes.data() + got, bytes.size() - got);
      if (n > 0) {
        got += static_cast<size_t>(n);
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        break;
      }
    }
    return got;
  }

  void DiscardInput() override { tcflush(fd_, TCIFLUSH); }

 private:
  int fd_;
};

bool ConfigureLine(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;
  int lines = TIOCM_DTR | TIOCM_RTS;
  ioctl(fd, TIOCMBIS, &lines);  // a pseudo-terminal has no modem lines
  tcflush(fd, TCIOFLUSH);
  return true;
}

}  // namespace

std::unique_ptr<SerialPort> OpenPosixSerialPort(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    TheTrace().Note("cannot open " + path + ": " + std::strerror(error));
    return nullptr;
  }
  // No sharing, as on Windows. The exclusive-use flag keeps out other
  // processes but not root; the advisory lock keeps out every other session.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    TheTrace().Note("cannot open " + path + ": another session holds it");
    close(fd);
    return nullptr;
  }
  ioctl(fd, TIOCEXCL);
  if (!ConfigureLine(fd)) {
    const int error = errno;
    TheTrace().Note("cannot set up " + path + ": " + std::strerror(error));
    ioctl(fd, TIOCNXCL);
    close(fd);
    return nullptr;
  }
  return std::make_unique<PosixSerialPort>(fd);
}

}  // namespace varnolo
