#include "server.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <iostream>
#include <thread>

#include "code_page_866.h"
#include "control_commands.h"
#include "control_socket.h"
#include "image_file.h"
#include "line.h"
#include "line_pace.h"
#include "link/commands.h"

namespace varnolo::sim {
namespace {

// A reply on its way out: all at once when it is due, or byte by byte.
struct Outgoing {
  std::vector<uint8_t> bytes;
  Clock::time_point due;
  Clock::duration interval{};  // between bytes; zero: all at once
  bool hangUp = false;
  std::string mark;  // for the trace
  size_t sent = 0;
};

class Server {
 public:
  Server(Register& reg, const ServeOptions& options)
      : reg_(reg), options_(options), line_(options), pace_(options.baud) {}
  ~Server() { reg_.onPrint = nullptr; }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  int Run(const volatile std::sig_atomic_t* stop) {
    if (const int r = OpenAll(); r != 0) return r;
    std::vector<uint8_t> buffer(4096);
    while (*stop == 0) {
      // The register answers one request at a time: the next waits until the
      // reply before it is out.
      if (pace_.paced()) assembler_.Feed(pace_.TakeArrived(Clock::now()));
      while (queue_.empty()) {
        std::optional<Packet> packet = assembler_.Next();
        if (!packet) break;
        Answer(*packet);
      }
      std::vector<pollfd> fds{{line_.fd(), POLLIN, 0}};
      control_.AddPollFds(fds);
      const int r = poll(fds.data(), fds.size(), Timeout());
      if (r > 0 && (fds[0].revents & POLLIN) != 0) {
        const ssize_t n = read(line_.fd(), buffer.data(), buffer.size());
        const auto bytes =
            std::span<const uint8_t>(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
        if (pace_.paced()) {
          pace_.Arrive(bytes, Clock::now());
        } else {
          assembler_.Feed(bytes);
        }
      } else if (r > 0 && (fds[0].revents & POLLHUP) != 0) {
        // nobody has the line open: do not spin
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!line_.FreeAfterHangUp()) return 1;
      }
      if (r > 0) control_.Serve(fds, [this](const std::string& l) { return Control(l); });
      if (!SendDue()) return 1;
    }
    return 0;
  }

 private:
  int OpenAll() {
    if (!options_.paper.empty()) {
      if (!paper_.Open(options_.paper)) return Refuse("cannot write " + options_.paper);
      reg_.onPrint = [this](const std::string& line) { paper_.Write(Cp866ToUtf8(line)); };
    }
    if (!options_.trace.empty() && !trace_.Open(options_.trace))
      return Refuse("cannot write " + options_.trace);
    if (options_.pty) {
      if (const std::string why = LinkRefusal(options_.link); !why.empty()) return Refuse(why);
    }
    std::string error;
    if (!options_.control.empty() && !control_.Listen(options_.control, &error))
      return Refuse(error);
    if (!line_.Open()) {
      return Refuse("cannot open " +
                    (options_.pty ? std::string("a pseudo-terminal") : options_.device) + ": " +
                    std::strerror(errno));
    }
    return 0;
  }

  static int Refuse(const std::string& why) {
    std::cerr << "varnolo-sim: " << why << "\n";
    return 1;
  }

  void SaveIfChanged() {
    // What the register acknowledges is on disk before the acknowledgement.
    if (!reg_.TakeChanged() || options_.image.empty()) return;
    std::string error;
    if (!SaveImage(reg_, options_.image, &error)) std::cerr << "varnolo-sim: " << error << "\n";
  }

  void Answer(const Packet& packet) {
    if (trace_.open()) {
      std::vector<uint8_t> raw(packet.wire.begin(), packet.wire.end());
      raw.insert(raw.end(), packet.data.begin(), packet.data.end());
      if (packet.header.CarriesData()) raw.push_back(packet.dataChecksum);
      trace_.Line(DescribePacket("->", raw));
    }
    std::optional<Reply> reply = reg_.Handle(packet);
    SaveIfChanged();
    const std::optional<Fault>& fault = reg_.LastFault();
    const std::string mark = fault ? "fault " + DescribeFault(*fault) : "";
    const auto now = Clock::now();
    if (reply && !reply->heldBack.empty())
      queue_.push_back({std::move(reply->heldBack), now, pace_.byteTime(), false, "late reply", 0});
    if (!reply || reply->bytes.empty()) {
      if (fault && fault->kind == FaultKind::kLate) {
        trace_.Line("<- (held back until the next request)", mark);
      } else if (fault || packet.header.command != cmd::kCallEndNotice) {
        trace_.Line("<- (no reply)", mark);
      }
      return;
    }
    const Clock::duration interval = std::max<Clock::duration>(
        std::chrono::milliseconds(reply->byteIntervalMs), pace_.byteTime());
    queue_.push_back({std::move(reply->bytes), now + std::chrono::milliseconds(reply->delayMs),
                      interval, reply->hangUp, mark, 0});
  }

  std::string Control(const std::string& line) {
    trace_.Line("ctl " + line);
    const std::string answer = RunControlLine(reg_, line);
    SaveIfChanged();
    return answer;
  }

  int Timeout() const {
    std::optional<Clock::time_point> next = pace_.NextArrival();
    if (!queue_.empty()) next = next ? std::min(*next, queue_.front().due) : queue_.front().due;
    if (!next) return 200;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
    return static_cast<int>(std::clamp<int64_t>(wait.count(), 0, 200));
  }

  // Writes what is due; false when the line could not be opened again.
  bool SendDue() {
    while (!queue_.empty() && queue_.front().due <= Clock::now()) {
      Outgoing& o = queue_.front();
      if (o.sent == 0) trace_.Line(DescribePacket("<-", o.bytes), o.mark);
      const size_t n = o.interval.count() == 0 ? o.bytes.size() - o.sent : 1;
      const ssize_t w = write(line_.fd(), o.bytes.data() + o.sent, n);
      (void)w;  // a line nobody listens to swallows the reply
      o.sent += n;
      if (o.sent < o.bytes.size()) {
        o.due += o.interval;
        continue;
      }
      const bool hangUp = o.hangUp;
      queue_.pop_front();
      if (hangUp) {
        assembler_.Reset();
        pace_.Reset();
        queue_.clear();
        // the line comes back as a new device behind the same link
        if (!line_.Open()) return false;
      }
    }
    return true;
  }

  Register& reg_;
  const ServeOptions& options_;
  TextSink paper_;
  Trace trace_;
  ControlSocket control_;
  Line line_;
  PacketAssembler assembler_;
  LinePace pace_;
  std::deque<Outgoing> queue_;
};

}  // namespace

int Serve(Register& reg, const ServeOptions& options, const volatile std::sig_atomic_t* stop) {
  Server server(reg, options);
  return server.Run(stop);
}

}  // namespace varnolo::sim
