#include "control_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace varnolo::sim {
namespace {

constexpr size_t kLongestLine = 1 << 20;

bool Address(const std::string& path, sockaddr_un& a, std::string* error) {
  a = {};
  a.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof a.sun_path) {
    if (error) *error = "control socket path '" + path + "' is empty or too long";
    return false;
  }
  std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
  return true;
}

int Connect(const std::string& path) {
  sockaddr_un a{};
  if (!Address(path, a, nullptr)) return -1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, const std::string& s) {
  for (size_t done = 0; done < s.size();) {
    const ssize_t w = send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
    if (w <= 0) return false;
    done += static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

ControlSocket::~ControlSocket() {
  for (const Client& c : clients_) close(c.fd);
  if (listener_ >= 0) {
    close(listener_);
    unlink(path_.c_str());
  }
}

bool ControlSocket::Listen(const std::string& path, std::string* error) {
  sockaddr_un a{};
  if (!Address(path, a, error)) return false;
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) {
      if (error) *error = path + " exists and is not a socket";
      return false;
    }
    if (const int other = Connect(path); other >= 0) {
      close(other);
      if (error) *error = path + " is the control socket of a running simulator";
      return false;
    }
    unlink(path.c_str());  // left behind by a simulator that is gone
  }
  listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listener_ < 0 || bind(listener_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
      listen(listener_, 8) != 0) {
    if (error) *error = "cannot listen on " + path + ": " + std::strerror(errno);
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
    return false;
  }
  path_ = path;
  return true;
}

void ControlSocket::AddPollFds(std::vector<pollfd>& fds) const {
  if (listener_ < 0) return;
  fds.push_back({listener_, POLLIN, 0});
  for (const Client& c : clients_) fds.push_back({c.fd, POLLIN, 0});
}

void ControlSocket::Serve(const std::vector<pollfd>& fds,
                          const std::function<std::string(const std::string&)>& answer) {
  if (listener_ < 0) return;
  auto ready = [&](int fd) {
    return std::any_of(fds.begin(), fds.end(), [fd](const pollfd& p) {
      return p.fd == fd && (p.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    });
  };
  for (auto it = clients_.begin(); it != clients_.end();) {
    bool keep = true;
    if (ready(it->fd)) {
      char buf[4096];
      const ssize_t n = recv(it->fd, buf, sizeof buf, 0);
      if (n <= 0) {
        keep = false;
      } else {
        it->pending.append(buf, static_cast<size_t>(n));
        for (size_t nl; keep && (nl = it->pending.find('\n')) != std::string::npos;) {
          const std::string line = it->pending.substr(0, nl);
          it->pending.erase(0, nl + 1);
          if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
          keep = WriteAll(it->fd, answer(line) + "\n");
        }
        keep = keep && it->pending.size() <= kLongestLine;
      }
    }
    if (keep) {
      ++it;
    } else {
      close(it->fd);
      it = clients_.erase(it);
    }
  }
  if (ready(listener_)) {
    for (int fd; (fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
      clients_.push_back({fd, {}});
    }
  }
}

bool SendControlLine(const std::string& path, const std::string& line, std::string* answer,
                     std::string* error) {
  const int fd = Connect(path);
  if (fd < 0) {
    if (error) *error = "cannot connect to " + path + ": " + std::strerror(errno);
    return false;
  }
  answer->clear();
  bool ok = WriteAll(fd, line + "\n");
  char buf[4096];
  while (ok && answer->find('\n') == std::string::npos) {
    const ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    answer->append(buf, static_cast<size_t>(n));
  }
  close(fd);
  const size_t nl = answer->find('\n');
  if (!ok || nl == std::string::npos) {
    if (error) *error = "no answer from " + path;
    return false;
  }
  answer->resize(nl);
  return true;
}

}  // namespace varnolo::sim
