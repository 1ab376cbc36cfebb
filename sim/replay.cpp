#include "replay.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <optional>
#include <thread>

#include "line.h"
#include "link/packet_assembler.h"
#include "trace.h"

namespace varnolo::sim {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> RawBytes(const Packet& packet) {
  std::vector<uint8_t> raw(packet.wire.begin(), packet.wire.end());
  raw.insert(raw.end(), packet.data.begin(), packet.data.end());
  if (packet.header.CarriesData()) raw.push_back(packet.dataChecksum);
  return raw;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const uint8_t b : bytes) {
    if (!out.empty()) out += ' ';
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
  }
  return out;
}

// "  expected 01 00 ...\n           -> 0100 data memory ...": the bytes and
// what they say.
std::string Shown(const char* label, const std::vector<uint8_t>& bytes) {
  return std::string("  ") + label + " " + Hex(bytes) + "\n           " +
         DescribePacket("->", bytes) + "\n";
}

class Player {
 public:
  Player(const RecordedTrace& trace, const ReplayOptions& options, const ServeOptions& line)
      : trace_(trace), options_(options), lineOptions_(line), line_(line) {}

  int Run(const volatile std::sig_atomic_t* stop) {
    if (const std::string why = lineOptions_.pty ? LinkRefusal(lineOptions_.link) : "";
        !why.empty()) {
      std::cerr << "varnolo-sim: " << why << "\n";
      return 1;
    }
    if (!line_.Open()) {
      std::cerr << "varnolo-sim: cannot open the line: " << std::strerror(errno) << "\n";
      return 1;
    }
    std::vector<uint8_t> buffer(4096);
    while (*stop == 0) {
      // One request at a time: the next waits until the reply before it is out.
      while (!pending_) {
        std::optional<Packet> packet = assembler_.Next();
        if (!packet) break;
        if (!Take(RawBytes(*packet))) return 1;
      }
      pollfd line{line_.fd(), POLLIN, 0};
      const int r = poll(&line, 1, Timeout());
      if (r > 0 && (line.revents & POLLIN) != 0) {
        const ssize_t n = read(line_.fd(), buffer.data(), buffer.size());
        if (n > 0) assembler_.Feed(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)));
      } else if (r > 0 && (line.revents & POLLHUP) != 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // nobody has the line open
        if (!line_.FreeAfterHangUp()) return 1;
      }
      SendIfDue();
    }
    return StoppedByUser();
  }

 private:
  // Checks one request against the trace and schedules its reply; false,
  // with the message, when the replay stops here.
  bool Take(const std::vector<uint8_t>& received) {
    const auto& exchanges = trace_.exchanges;
    if (next_ == exchanges.size()) {
      std::cerr << "varnolo-sim: replay stopped after line " << trace_.lastLine << " of "
                << options_.tracePath << ", its end: the program sent one request more\n"
                << Shown("received", received);
      return false;
    }
    const RecordedExchange& expected = exchanges[next_];
    if (received != expected.request) {
      std::cerr << "varnolo-sim: replay stopped at line " << expected.line << " of "
                << options_.tracePath << ": request " << next_ + 1 << " of " << exchanges.size()
                << " differs from the trace\n"
                << Shown("expected", expected.request) << Shown("received", received);
      return false;
    }
    ++next_;
    if (expected.reply && !expected.reply->bytes.empty()) {
      const uint32_t pause = options_.atOnce ? 0 : expected.reply->delayMs;
      pending_ = Pending{expected.reply->bytes, Clock::now() + std::chrono::milliseconds(pause)};
    }
    SayIfPlayedOut();
    return true;
  }

  void SendIfDue() {
    if (!pending_ || pending_->due > Clock::now()) return;
    const ssize_t w = write(line_.fd(), pending_->bytes.data(), pending_->bytes.size());
    (void)w;  // a line nobody listens to swallows the reply
    pending_.reset();
    SayIfPlayedOut();
  }

  void SayIfPlayedOut() {
    if (pending_ || next_ != trace_.exchanges.size() || saidPlayedOut_) return;
    saidPlayedOut_ = true;
    std::cerr << "varnolo-sim: " << options_.tracePath << " played to its end ("
              << trace_.exchanges.size() << " requests)\n";
  }

  int StoppedByUser() const {
    if (next_ == trace_.exchanges.size()) return 0;
    std::cerr << "varnolo-sim: replay stopped before line " << trace_.exchanges[next_].line
              << " of " << options_.tracePath << ": " << next_ << " of " << trace_.exchanges.size()
              << " requests came\n";
    return 1;
  }

  int Timeout() const {
    if (!pending_) return 200;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(pending_->due - Clock::now());
    return static_cast<int>(std::clamp<int64_t>(wait.count(), 0, 200));
  }

  struct Pending {
    std::vector<uint8_t> bytes;
    Clock::time_point due;
  };

  const RecordedTrace& trace_;
  const ReplayOptions& options_;
  const ServeOptions& lineOptions_;
  Line line_;
  PacketAssembler assembler_;
  size_t next_ = 0;
  std::optional<Pending> pending_;
  bool saidPlayedOut_ = false;
};

}  // namespace

int Replay(const RecordedTrace& trace, const ReplayOptions& options, const ServeOptions& line,
           const volatile std::sig_atomic_t* stop) {
  Player player(trace, options, line);
  return player.Run(stop);
}

}  // namespace varnolo::sim
