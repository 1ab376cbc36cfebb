#include "platform/win32/win32_connection.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on

#include <string>

namespace varnolo {
namespace {

int MsLeft(ULONGLONG deadline) {
  const ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<int>(deadline - now);
}

bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

// One name lookup on a thread of its own, so that it cannot hold the caller
// past the budget. The thread and the caller share this record; whichever
// lets go of it last frees it.
struct Lookup {
  std::string host;
  std::string port;
  int status = 0;
  addrinfo* result = nullptr;
  LONG holders = 2;

  void Release() {
    if (InterlockedDecrement(&holders) != 0) return;
    if (result != nullptr) freeaddrinfo(result);
    delete this;
  }
};

DWORD WINAPI RunLookup(LPVOID parameter) {
  auto* lookup = static_cast<Lookup*>(parameter);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  lookup->status = getaddrinfo(lookup->host.c_str(), lookup->port.c_str(), &hints, &lookup->result);
  lookup->Release();
  return 0;
}

class WinsockConnection final : public Connection {
 public:
  explicit WinsockConnection(SOCKET s) : socket_(s) {}
  ~WinsockConnection() override { closesocket(socket_); }
  WinsockConnection(const WinsockConnection&) = delete;
  WinsockConnection& operator=(const WinsockConnection&) = delete;

  bool Send(std::span<const uint8_t> bytes) override {
    constexpr ULONGLONG kSendLimitMs = 5000;  // a server that takes nothing is gone
    const ULONGLONG deadline = GetTickCount64() + kSendLimitMs;
    size_t done = 0;
    while (done < bytes.size()) {
      const int n = send(socket_, reinterpret_cast<const char*>(bytes.data() + done),
                         static_cast<int>(bytes.size() - done), 0);
      if (n > 0) {
        done += static_cast<size_t>(n);
        continue;
      }
      if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
      const int left = MsLeft(deadline);
      if (left == 0 || !Wait(false, left)) return false;
    }
    return true;
  }

  Received Receive(std::span<uint8_t> bytes, uint32_t waitMs) override {
    const ULONGLONG deadline = GetTickCount64() + waitMs;
    for (;;) {
      const int n =
          recv(socket_, reinterpret_cast<char*>(bytes.data()), static_cast<int>(bytes.size()), 0);
      if (n > 0) return {static_cast<size_t>(n), false};
      if (n == 0) return {0, true};
      if (WSAGetLastError() != WSAEWOULDBLOCK) return {0, true};
      const int left = MsLeft(deadline);
      if (left == 0 || !Wait(true, left)) return {0, false};
    }
  }

 private:
  // True when the socket became readable (or writable) within ms.
  bool Wait(bool read, int ms) const {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket_, &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    return select(0, read ? &set : nullptr, read ? nullptr : &set, nullptr, &tv) > 0;
  }

  SOCKET socket_;
};

std::string ErrorText(int error) {
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
  std::string why(text, n);
  while (!why.empty() && (why.back() == '\r' || why.back() == '\n' || why.back() == ' '))
    why.pop_back();
  return why + " (error " + std::to_string(error) + ")";
}

SOCKET ConnectTo(const addrinfo& a, ULONGLONG deadline, std::string* why) {
  const SOCKET s = socket(a.ai_family, a.ai_socktype, a.ai_protocol);
  if (s == INVALID_SOCKET) {
    *why = ErrorText(WSAGetLastError());
    return INVALID_SOCKET;
  }
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  int error = 0;
  if (connect(s, a.ai_addr, static_cast<int>(a.ai_addrlen)) != 0) {
    error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) {
      fd_set writable;
      fd_set failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(s, &writable);
      FD_SET(s, &failed);
      const int ms = MsLeft(deadline);
      timeval tv{ms / 1000, (ms % 1000) * 1000};
      const int r = select(0, nullptr, &writable, &failed, &tv);
      if (r <= 0) {
        error = WSAETIMEDOUT;
      } else {
        int length = sizeof error;
        error = 0;
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
        if (error == 0 && FD_ISSET(s, &failed)) error = WSAECONNREFUSED;
      }
    }
  }
  if (error != 0) {
    *why = error == WSAETIMEDOUT ? "no answer in time" : ErrorText(error);
    closesocket(s);
    return INVALID_SOCKET;
  }
  BOOL on = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return s;
}

}  // namespace

std::unique_ptr<Connection> ConnectWinsock(const NetworkAddress& address, uint32_t budgetMs,
                                           std::string* why) {
  if (!WinsockStarted()) {
    *why = "Winsock did not start";
    return nullptr;
  }
  const ULONGLONG deadline = GetTickCount64() + budgetMs;
  auto* lookup = new Lookup{address.host, std::to_string(address.port)};
  HANDLE thread = CreateThread(nullptr, 0, RunLookup, lookup, 0, nullptr);
  if (thread == nullptr) {
    delete lookup;
    *why = "cannot start the name lookup";
    return nullptr;
  }
  const bool finished =
      WaitForSingleObject(thread, static_cast<DWORD>(MsLeft(deadline))) == WAIT_OBJECT_0;
  CloseHandle(thread);
  std::unique_ptr<Connection> connection;
  if (!finished) {
    *why = "the name " + address.host + " was not found in time";
  } else if (lookup->status != 0) {
    *why = "unknown host " + address.host + ": " + ErrorText(lookup->status);
  } else {
    for (const addrinfo* a = lookup->result; a != nullptr; a = a->ai_next) {
      const SOCKET s = ConnectTo(*a, deadline, why);
      if (s != INVALID_SOCKET) {
        connection = std::make_unique<WinsockConnection>(s);
        break;
      }
      if (MsLeft(deadline) == 0) break;
    }
  }
  lookup->Release();
  return connection;
}

}  // namespace varnolo
