#include "platform/posix/posix_connection.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/posix/monotonic_clock.h"

namespace varnolo {
namespace {

int MsLeft(uint64_t deadline) {
  const uint64_t now = MonotonicMs();
  return now >= deadline ? 0 : static_cast<int>(deadline - now);
}

// The answer of one name lookup, shared with the thread that asks for it: a
// lookup that outlives its budget finishes on its own and frees it.
struct Lookup {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  int status = 0;
  addrinfo* result = nullptr;
  ~Lookup() {
    if (result != nullptr) freeaddrinfo(result);
  }
};

std::shared_ptr<Lookup> LookUp(const NetworkAddress& address, uint64_t deadline, std::string* why) {
  auto lookup = std::make_shared<Lookup>();
  std::thread([lookup, host = address.host, port = std::to_string(address.port)] {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int status = getaddrinfo(host.c_str(), port.c_str(), &hints, &result);
    std::lock_guard lock(lookup->mutex);
    lookup->status = status;
    lookup->result = result;
    lookup->finished = true;
    lookup->done.notify_all();
  }).detach();
  std::unique_lock lock(lookup->mutex);
  const bool finished = lookup->done.wait_for(lock, std::chrono::milliseconds(MsLeft(deadline)),
                                              [&] { return lookup->finished; });
  if (!finished) {
    *why = "the name " + address.host + " was not found in time";
    return nullptr;
  }
  if (lookup->status != 0) {
    *why = "unknown host " + address.host + " (" + gai_strerror(lookup->status) + ")";
    return nullptr;
  }
  return lookup;
}

class PosixConnection final : public Connection {
 public:
  explicit PosixConnection(int fd) : fd_(fd) {}
  ~PosixConnection() override { close(fd_); }
  PosixConnection(const PosixConnection&) = delete;
  PosixConnection& operator=(const PosixConnection&) = delete;

  bool Send(std::span<const uint8_t> bytes) override {
    constexpr uint64_t kSendLimitMs = 5000;  // a server that takes nothing is gone
    const uint64_t deadline = MonotonicMs() + kSendLimitMs;
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n > 0) {
        done += static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
      const int left = MsLeft(deadline);
      if (left == 0) return false;
      pollfd p{fd_, POLLOUT, 0};
      poll(&p, 1, left);
    }
    return true;
  }

  Received Receive(std::span<uint8_t> bytes, uint32_t waitMs) override {
    const uint64_t deadline = MonotonicMs() + waitMs;
    for (;;) {
      const ssize_t n = recv(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT);
      if (n > 0) {
        // A server that holds small segments until the last is acknowledged
        // (Nagle's rule) would otherwise wait out this end's delayed
        // acknowledgement between the bytes of every reply.
        const int on = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
        return {static_cast<size_t>(n), false};
      }
      if (n == 0) return {0, true};
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) return {0, true};
      const int left = MsLeft(deadline);
      if (left == 0) return {0, false};
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, left) == 0) return {0, false};
    }
  }

 private:
  int fd_;
};

// One address: a connected socket, or -1 and the reason.
int ConnectTo(const addrinfo& a, uint64_t deadline, std::string* why) {
  const int fd = socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
  if (fd < 0) {
    *why = std::strerror(errno);
    return -1;
  }
  int error = 0;
  if (connect(fd, a.ai_addr, a.ai_addrlen) != 0) {
    error = errno;
    if (error == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      int r = 0;
      while ((r = poll(&p, 1, MsLeft(deadline))) < 0 && errno == EINTR) {
      }
      socklen_t length = sizeof error;
      if (r <= 0) {
        error = ETIMEDOUT;
      } else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        error = errno;
      }
    }
  }
  if (error != 0) {
    *why = error == ETIMEDOUT ? "no answer in time" : std::strerror(error);
    close(fd);
    return -1;
  }
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

}  // namespace

std::unique_ptr<Connection> ConnectPosix(const NetworkAddress& address, uint32_t budgetMs,
                                         std::string* why) {
  const uint64_t deadline = MonotonicMs() + budgetMs;
  const std::shared_ptr<Lookup> lookup = LookUp(address, deadline, why);
  if (lookup == nullptr) return nullptr;
  for (const addrinfo* a = lookup->result; a != nullptr; a = a->ai_next) {
    const int fd = ConnectTo(*a, deadline, why);
    if (fd >= 0) return std::make_unique<PosixConnection>(fd);
    if (MsLeft(deadline) == 0) break;
  }
  return nullptr;
}

}  // namespace varnolo
