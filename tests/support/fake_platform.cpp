#include "support/fake_platform.h"

#include "link/register_link.h"
#include "platform/code_pages.h"
#include "session/capability_table.h"
#include "session/session.h"

namespace varnolo::test {
namespace {

class FakeSerialPort final : public SerialPort {
 public:
  explicit FakeSerialPort(FakePlatform& platform) : platform_(platform) {}
  ~FakeSerialPort() override { platform_.PortClosed(); }
  void Write(std::span<const uint8_t> bytes) override { platform_.HostWrites(bytes); }
  size_t Read(std::span<uint8_t> bytes, uint32_t timeoutMs) override {
    return platform_.HostReads(bytes, timeoutMs);
  }
  void DiscardInput() override { platform_.HostDiscardsInput(); }

 private:
  FakePlatform& platform_;
};

}  // namespace

FakePlatform::FakePlatform() : table_(BuildCapabilityImage()) {}
FakePlatform::~FakePlatform() = default;

std::unique_ptr<SerialPort> FakePlatform::OpenSerialPort(const char* name) {
  opened_.emplace_back(name);
  if (failOpen_) {
    failOpen_ = false;
    return nullptr;
  }
  portOpen_ = true;
  return std::make_unique<FakeSerialPort>(*this);
}

void FakePlatform::SleepMs(uint32_t ms) {
  sleeps_.push_back(ms);
  now_ += ms;
}

int FakePlatform::RaiseThreadPriority() {
  const int token = priority_;
  priority_ += 1;
  maxPriority_ = std::max(maxPriority_, priority_);
  return token;
}

void FakePlatform::RestoreThreadPriority(int token) { priority_ = token; }

void FakePlatform::AnsiToOem(char* text, size_t n) { AnsiToOemTable(text, n); }
void FakePlatform::OemToAnsi(char* text, size_t n) { OemToAnsiTable(text, n); }

std::span<const uint8_t> FakePlatform::FindFirmwareTable() {
  if (tableHidden_) return {};
  return table_;
}

void FakePlatform::InjectInput(std::vector<uint8_t> bytes, uint32_t afterMs) {
  for (uint8_t b : bytes) inbound_.push_back({b, now_ + afterMs});
}

uint64_t FakePlatform::TotalSleepMs() const {
  uint64_t sum = 0;
  for (uint32_t s : sleeps_) sum += s;
  return sum;
}

void FakePlatform::ClearRecords() {
  sleeps_.clear();
  written_.clear();
  packets_.clear();
  opened_.clear();
  readTimeouts_.clear();
  bytesRead_ = 0;
}

void FakePlatform::HostWrites(std::span<const uint8_t> bytes) {
  written_.insert(written_.end(), bytes.begin(), bytes.end());
  assembler_.Feed(bytes);
  while (auto packet = assembler_.Next()) {
    packets_.push_back(*packet);
    if (peer_ == nullptr) continue;
    if (auto reply = peer_->OnPacket(*packet)) {
      uint64_t at = now_ + reply->delayMs;
      for (uint8_t b : reply->bytes) {
        inbound_.push_back({b, at});
        at += reply->perByteMs;
      }
    }
  }
}

uint32_t FakePlatform::ReplyTimeoutOf(size_t packetIndex) const {
  for (const auto& [index, timeout] : readTimeouts_) {
    if (index == packetIndex) return timeout;
  }
  return 0;
}

size_t FakePlatform::HostReads(std::span<uint8_t> bytes, uint32_t timeoutMs) {
  if (!packets_.empty() &&
      (readTimeouts_.empty() || readTimeouts_.back().first != packets_.size() - 1)) {
    readTimeouts_.emplace_back(packets_.size() - 1, timeoutMs);
  }
  const uint64_t deadline = now_ + timeoutMs + bytes.size();
  size_t got = 0;
  while (got < bytes.size() && !inbound_.empty() && inbound_.front().at <= deadline) {
    now_ = std::max(now_, inbound_.front().at);
    bytes[got++] = inbound_.front().byte;
    inbound_.pop_front();
  }
  bytesRead_ += got;
  if (got < bytes.size()) now_ = deadline;
  return got;
}

void FakePlatform::HostDiscardsInput() {
  while (!inbound_.empty() && inbound_.front().at <= now_) inbound_.pop_front();
}

ScopedFakePlatform::ScopedFakePlatform() {
  InstallPlatform(&platform_);
  ResetSessionForTesting();
}

ScopedFakePlatform::~ScopedFakePlatform() {
  TheLink().ClosePort();
  ResetSessionForTesting();
  InstallPlatform(nullptr);
}

}  // namespace varnolo::test
