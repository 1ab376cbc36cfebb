#include "platform/network_serial_port.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "platform/telnet_com_port.h"
#include "platform/trace_file.h"

namespace varnolo {
namespace {

class NetworkSerialPort final : public SerialPort {
 public:
  NetworkSerialPort(NetworkAddress address, Connector connect)
      : address_(std::move(address)), name_(address_.Name()), connect_(std::move(connect)) {}

  enum class Attempt { kFirst, kAgain };

  // Makes the connection; false, with the reason in the trace, when it cannot.
  bool Connect(Attempt attempt) {
    const bool again = attempt == Attempt::kAgain;
    std::string why;
    connection_ = connect_(address_, kConnectBudgetMs, &why);
    if (connection_ == nullptr) {
      TheTrace().Note((again ? "cannot reconnect to " : "cannot connect to ") + name_ + ": " + why);
      return false;
    }
    TheTrace().Note((again ? "reconnected to " : "connected to ") + name_);
    pending_.clear();
    if (address_.telnet) SetUpTelnet();
    return connection_ != nullptr;
  }

  void Write(std::span<const uint8_t> bytes) override {
    if (connection_ == nullptr) return;
    const bool sent = address_.telnet ? connection_->Send(TelnetComPort::Encode(bytes))
                                      : connection_->Send(bytes);
    if (!sent) Dropped();
  }

  size_t Read(std::span<uint8_t> bytes, uint32_t timeoutMs) override {
    Platform& platform = CurrentPlatform();
    const uint64_t deadline = platform.NowMs() + timeoutMs + bytes.size();
    size_t got = Take(bytes);
    while (got < bytes.size() && connection_ != nullptr) {
      const uint64_t now = platform.NowMs();
      if (now >= deadline) break;
      if (!Pull(static_cast<uint32_t>(deadline - now))) break;
      got += Take(bytes.subspan(got));
    }
    return got;
  }

  // The start of every exchange: late bytes are dropped here, and a
  // connection that has gone since the last exchange is made again.
  void DiscardInput() override {
    while (connection_ != nullptr) {
      const std::optional<size_t> n = Pull(0);
      if (!n || *n == 0) break;
    }
    pending_.clear();
    if (connection_ == nullptr && !Connect(Attempt::kAgain)) return;
    if (address_.telnet && telnet_.ComPortAgreed() && !connection_->Send(telnet_.PurgeReceived()))
      Dropped();
  }

 private:
  void SetUpTelnet() {
    telnet_ = TelnetComPort{};
    if (!connection_->Send(telnet_.Greeting())) return Dropped();
    Platform& platform = CurrentPlatform();
    const uint64_t deadline = platform.NowMs() + kNegotiationBudgetMs;
    while (connection_ != nullptr && !telnet_.ComPortAgreed() && !telnet_.ComPortRefused()) {
      const uint64_t now = platform.NowMs();
      if (now >= deadline || !Pull(static_cast<uint32_t>(deadline - now))) break;
    }
    if (connection_ == nullptr) return;
    if (!telnet_.ComPortAgreed()) {
      TheTrace().Note(name_ +
                      " did not take the com-port option: the line stays as the server has it");
      return;
    }
    if (!connection_->Send(telnet_.LineSettings())) Dropped();
  }

  // Receives what has come within waitMs into pending_; the count of bytes
  // that came off the connection, or nothing when it has gone.
  std::optional<size_t> Pull(uint32_t waitMs) {
    const Connection::Received r = connection_->Receive(raw_, waitMs);
    const auto bytes = std::span<const uint8_t>(raw_).first(r.count);
    if (address_.telnet) {
      answer_.clear();
      telnet_.Decode(bytes, pending_, answer_);
      if (!answer_.empty() && !connection_->Send(answer_)) {
        Dropped();
        return std::nullopt;
      }
    } else {
      pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    }
    if (r.closed) {
      Dropped();
      return std::nullopt;
    }
    return r.count;
  }

  size_t Take(std::span<uint8_t> out) {
    const size_t n = std::min(out.size(), pending_.size());
    std::copy_n(pending_.begin(), n, out.begin());
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
  }

  void Dropped() {
    connection_.reset();
    TheTrace().Note("connection to " + name_ + " dropped");
  }

  const NetworkAddress address_;
  const std::string name_;
  Connector connect_;
  std::unique_ptr<Connection> connection_;
  TelnetComPort telnet_;
  std::vector<uint8_t> pending_;  // line bytes received and not yet read
  std::vector<uint8_t> answer_;
  std::array<uint8_t, 4096> raw_{};
};

}  // namespace

std::unique_ptr<SerialPort> OpenNetworkSerialPort(const NetworkAddress& address,
                                                  Connector connect) {
  auto port = std::make_unique<NetworkSerialPort>(address, std::move(connect));
  if (!port->Connect(NetworkSerialPort::Attempt::kFirst)) return nullptr;
  return port;
}

}  // namespace varnolo
