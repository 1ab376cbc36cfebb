#include "server.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <thread>

#include "code_page_866.h"
#include "image_file.h"
#include "link/commands.h"

namespace varnolo::sim {
namespace {

const char* CommandName(uint16_t command) {
  switch (command) {
    case cmd::kSelectorBytes:
      return "selector bytes";
    case cmd::kBeginSession:
      return "begin session";
    case cmd::kEndSession:
      return "end session";
    case cmd::kDisplay:
      return "display";
    default:
      break;
  }
  switch (command & 0xFFFEu) {
    case cmd::kReadData:
      return "data memory";
    case cmd::kReadWorking:
      return "working memory";
    case cmd::kReadGoods:
      return "goods memory";
    case cmd::kReadFlags:
      return "flag area";
    case cmd::kGoodsBaseSize:
      return "goods base size";
    case cmd::kReadClock:
      return "clock";
    case cmd::kRoutineResult:
      return "routine";
    case cmd::kCallEndNotice:
      return "end of call";
    default:
      return "unknown";
  }
}

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

class Line {
 public:
  explicit Line(const ServeOptions& o) : options_(o) {}
  ~Line() {
    if (fd_ >= 0) close(fd_);
    if (!options_.link.empty()) unlink(options_.link.c_str());
  }
  bool Open() {
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
  int fd() const { return fd_; }
  const std::string& path() const { return options_.pty ? path_ : options_.device; }

 private:
  const ServeOptions& options_;
  int fd_ = -1;
  std::string path_;
};

}  // namespace

std::string DescribePacket(const char* direction, const std::vector<uint8_t>& bytes) {
  std::string out = direction;
  if (bytes.size() < kHeaderSize) {
    out += " (" + std::to_string(bytes.size()) + " bytes)";
  } else {
    WireHeader w{};
    std::copy_n(bytes.begin(), kHeaderSize, w.begin());
    const PacketHeader h = DecodeHeader(w);
    char buf[160];
    std::snprintf(buf, sizeof buf, " %04X %-15s addr=%04X len=%u status=%02X reg=%u", h.command,
                  CommandName(h.command), h.address, h.length, w[4], h.registerNumber);
    out += buf;
    if (!HeaderChecksumValid(w)) out += " BAD-CHECKSUM";
  }
  if (bytes.size() > kHeaderSize) {
    out += " data=";
    char hex[4];
    for (size_t i = kHeaderSize; i < bytes.size(); ++i) {
      std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
      out += hex;
    }
  }
  return out;
}

int Serve(Register& reg, const ServeOptions& options, const volatile std::sig_atomic_t* stop) {
  std::ofstream paper;
  std::ofstream trace;
  if (!options.paper.empty()) {
    paper.open(options.paper, std::ios::app);
    if (!paper) {
      std::cerr << "varnolo-sim: cannot write " << options.paper << "\n";
      return 1;
    }
    reg.onPrint = [&paper](const std::string& line) {
      paper << Cp866ToUtf8(line) << '\n' << std::flush;
    };
  }
  if (!options.trace.empty()) {
    trace.open(options.trace, std::ios::app);
    if (!trace) {
      std::cerr << "varnolo-sim: cannot write " << options.trace << "\n";
      return 1;
    }
  }
  Line line(options);
  if (!line.Open()) {
    std::cerr << "varnolo-sim: cannot open " << (options.pty ? "a pseudo-terminal" : options.device)
              << ": " << std::strerror(errno) << "\n";
    return 1;
  }

  PacketAssembler assembler;
  std::vector<uint8_t> buffer(4096);
  while (*stop == 0) {
    pollfd p{line.fd(), POLLIN, 0};
    const int r = poll(&p, 1, 200);
    if (r <= 0 || (p.revents & POLLIN) == 0) {
      if (r > 0 && (p.revents & POLLHUP) != 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    const ssize_t n = read(line.fd(), buffer.data(), buffer.size());
    if (n <= 0) continue;
    assembler.Feed(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)));
    while (auto packet = assembler.Next()) {
      if (trace.is_open()) {
        std::vector<uint8_t> raw(packet->wire.begin(), packet->wire.end());
        raw.insert(raw.end(), packet->data.begin(), packet->data.end());
        trace << DescribePacket("->", raw) << '\n';
      }
      const std::optional<Reply> reply = reg.Handle(*packet);
      // What the register acknowledges is on disk before the acknowledgement.
      if (reg.TakeChanged() && !options.image.empty()) {
        std::string error;
        if (!SaveImage(reg, options.image, &error)) std::cerr << "varnolo-sim: " << error << "\n";
      }
      if (!reply) {
        if (trace.is_open() && packet->header.command != cmd::kCallEndNotice)
          trace << "<- (no reply)\n";
        continue;
      }
      if (reply->delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(reply->delayMs));
      const ssize_t w = write(line.fd(), reply->bytes.data(), reply->bytes.size());
      (void)w;
      if (trace.is_open()) trace << DescribePacket("<-", reply->bytes) << std::endl;
      if (reply->hangUp) {
        assembler.Reset();
        if (!line.Open()) return 1;  // the line comes back as a new device behind the same link
      }
    }
  }
  return 0;
}

}  // namespace varnolo::sim
