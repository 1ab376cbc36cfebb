// A platform for tests: a virtual clock that records every pause instead of
// sleeping, a fake serial line whose far end is a Peer, the real code-page
// tables and the firmware table built in memory.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/packet_assembler.h"
#include "platform/platform.h"

namespace varnolo::test {

struct PeerReply {
  std::vector<uint8_t> bytes;
  uint32_t delayMs = 0;    // arrives this long after the request
  uint32_t perByteMs = 0;  // then one byte every so many ms (1 is about 9600 baud)
};

// The far end of the fake line: sees each whole packet the host sends.
class Peer {
 public:
  virtual ~Peer() = default;
  virtual std::optional<PeerReply> OnPacket(const Packet& packet) = 0;
};

class FakePlatform final : public Platform {
 public:
  FakePlatform();
  ~FakePlatform() override;

  // Platform
  std::unique_ptr<SerialPort> OpenSerialPort(const char* name) override;
  void SleepMs(uint32_t ms) override;
  uint64_t NowMs() override { return now_; }
  int RaiseThreadPriority() override;
  void RestoreThreadPriority(int token) override;
  void AnsiToOem(char* text, size_t n) override;
  void OemToAnsi(char* text, size_t n) override;
  std::span<const uint8_t> FindFirmwareTable() override;

  // The line
  void SetPeer(Peer* peer) { peer_ = peer; }
  void FailNextOpen() { failOpen_ = true; }
  void HideFirmwareTable() { tableHidden_ = true; }
  // Bytes that arrive on the line without being asked for.
  void InjectInput(std::vector<uint8_t> bytes, uint32_t afterMs = 0);

  // What happened
  const std::vector<std::string>& OpenedPorts() const { return opened_; }
  const std::vector<uint32_t>& Sleeps() const { return sleeps_; }
  uint64_t TotalSleepMs() const;
  const std::vector<uint8_t>& Written() const { return written_; }
  // Bytes the host has read off the line.
  size_t BytesRead() const { return bytesRead_; }
  const std::vector<Packet>& Packets() const { return packets_; }
  // The timeout of the first read after each request, by request index.
  uint32_t ReplyTimeoutOf(size_t packetIndex) const;
  int PriorityLevel() const { return priority_; }
  int MaxPriorityLevel() const { return maxPriority_; }
  bool PortOpen() const { return portOpen_; }
  void ClearRecords();

  // Used by the fake port
  void HostWrites(std::span<const uint8_t> bytes);
  size_t HostReads(std::span<uint8_t> bytes, uint32_t timeoutMs);
  void HostDiscardsInput();
  void PortClosed() { portOpen_ = false; }

 private:
  struct Arrival {
    uint8_t byte;
    uint64_t at;
  };
  uint64_t now_ = 1000000;
  std::vector<uint32_t> sleeps_;
  std::vector<std::string> opened_;
  std::vector<uint8_t> written_;
  size_t bytesRead_ = 0;
  std::vector<Packet> packets_;
  std::deque<Arrival> inbound_;
  std::vector<std::pair<size_t, uint32_t>> readTimeouts_;
  PacketAssembler assembler_;
  Peer* peer_ = nullptr;
  bool failOpen_ = false;
  bool tableHidden_ = false;
  bool portOpen_ = false;
  int priority_ = 0;
  int maxPriority_ = 0;
  std::vector<uint8_t> table_;
};

// Installs a FakePlatform for the life of the object and leaves the library
// with no session and a closed port when it goes.
class ScopedFakePlatform {
 public:
  ScopedFakePlatform();
  ~ScopedFakePlatform();
  FakePlatform& operator*() { return platform_; }
  FakePlatform* operator->() { return &platform_; }

 private:
  FakePlatform platform_;
};

}  // namespace varnolo::test
