// The simulated fiscal register: its memory, the protocol it answers and the
// firmware behind its routines (documents, control tape, totals, shift,
// reports). One request packet in, at most one reply out.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "faults.h"
#include "link/packet_assembler.h"
#include "memory.h"

namespace varnolo::sim {

struct Reply {
  std::vector<uint8_t> bytes;
  uint32_t delayMs = 0;
  uint32_t byteIntervalMs = 0;  // 0: all at once; otherwise one byte every this many ms
  bool hangUp = false;          // close the line after sending `bytes`
  // An earlier reply held back by a "late" fault: it goes out first, at once.
  std::vector<uint8_t> heldBack;
};

struct RegisterOptions {
  uint8_t firmware = 3;  // 3 to 7
  uint32_t number = 1;   // the register's number on the line
  int goodsBase = 1800;  // 500 or 1800 entries
};

// Status bytes the simulated firmware answers with when it refuses.
namespace status {
inline constexpr uint8_t kBadChecksum = 0x10;
inline constexpr uint8_t kOutOfBounds = 0x11;
inline constexpr uint8_t kUnknownCommand = 0x12;
inline constexpr uint8_t kUnknownRoutine = 0x13;
inline constexpr uint8_t kBadClock = 0x14;
inline constexpr uint8_t kDocumentInconsistent = 0x20;
inline constexpr uint8_t kShiftExpired = 0x22;
inline constexpr uint8_t kDrawerLocked = 0x23;
inline constexpr uint8_t kPrintingLocked = 0x24;
inline constexpr uint8_t kNotEnoughCash = 0x26;
inline constexpr uint8_t kShiftOpen = 0x27;
inline constexpr uint8_t kTapeFull = 0x28;
inline constexpr uint8_t kNoShift = 0x29;
}  // namespace status

// Seconds since 1970 on the host's clock.
int64_t HostClockSeconds();

class Register {
 public:
  explicit Register(RegisterOptions options, std::function<int64_t()> hostClock = HostClockSeconds);

  // The memory as it leaves the factory: sensible configuration, rates 0,
  // name slots never written, empty goods base and tape, no shift, no cash.
  void FactoryReset();

  // The reply to one request, if anything is to be sent.
  std::optional<Reply> Handle(const Packet& packet);
  // Requests received so far, and faults committed on their replies.
  uint64_t Requests() const { return requests_; }
  uint64_t FaultsCommitted() const { return faultsCommitted_; }
  // The fault committed on the reply to the last request, if any.
  const std::optional<Fault>& LastFault() const { return lastFault_; }

  Memory& memory() { return memory_; }
  const Memory& memory() const { return memory_; }
  FaultPlan& faults() { return faults_; }
  const FaultPlan& faults() const { return faults_; }
  uint8_t firmware() const { return options_.firmware; }
  uint32_t number() const { return options_.number; }
  int goodsBase() const { return options_.goodsBase; }

  // Receipts and reports printed so far, in the register's code page (866).
  const std::string& paper() const { return paper_; }
  void ClearPaper() { paper_.clear(); }
  // Called with each printed line (code page 866), e.g. to stream to a file.
  std::function<void(const std::string&)> onPrint;
  const std::string& display() const { return display_; }

  // True once when memory changed since the last call (for persistence).
  bool TakeChanged();
  void MarkChanged() { changed_ = true; }

  // Reading the firmware's state, for tests and tools.
  uint16_t Address(int capabilityIndex) const;
  bool ShiftOpen() const;
  uint16_t TapeCount() const;
  uint64_t DrawerCash() const;                               // hundredths
  uint64_t Amount(int scopeIndex, int column, int k) const;  // see totals.cpp
  uint16_t Counter(int scopeIndex, int column, int k) const;
  int64_t Now() const;  // the register's own clock, seconds
  uint32_t DocumentNumber() const;
  int64_t ShiftStart() const;  // seconds; meaningful while a shift is open
  uint16_t ShiftNumber() const;
  uint16_t TapeCapacity() const;  // entries of the current tape form

  // Putting the register into a state directly, for test scenarios.
  // Opens a shift that began at `seconds` on the register's clock (a shift
  // already open gets that start).
  void OpenShiftAt(int64_t seconds);
  // Makes the control tape hold `entries` entries: the ones there are kept,
  // missing ones are written as checks of 1.00 (a line and its total), extra
  // ones are erased. False when the tape cannot hold that many.
  bool SetTapeFill(uint16_t entries);
  void SetDrawerCash(uint64_t hundredths);

 private:
  struct Outcome {
    uint8_t status = 0;
    std::optional<std::vector<uint8_t>> data;  // a read's answer
  };

  Outcome Execute(const Packet& p);
  Outcome ReadMemory(std::span<uint8_t> space, const PacketHeader& h);
  Outcome WriteMemory(std::span<uint8_t> space, const Packet& p);
  Outcome ReadClock();
  Outcome WriteClock(const std::vector<uint8_t>& data);
  Outcome CallRoutine(const Packet& p);

  // Firmware routines (firmware.cpp)
  uint8_t VerifyShift();
  uint8_t ResetDocument();
  uint8_t RunDocument(const std::vector<uint8_t>* textBlock);
  uint8_t PrepareAnnulment();
  uint8_t RunAnnulment();
  uint8_t PrintReport(int kind, uint8_t mode);
  uint8_t CloseShift();
  uint8_t CloseTape();
  uint8_t OpenDrawer();
  uint8_t DeviceTest();
  uint8_t CashierCash(const std::vector<uint8_t>& parameters);

  // Helpers shared by the routines
  void Print(const std::string& line);
  void PrintRule();
  void PrintHeaderText();
  void PrintFooterText();
  std::string DateTimeText() const;
  void OpenShiftIfClosed();
  void StampShiftStart(int64_t seconds);
  std::optional<Reply> Answer(const Packet& packet);
  bool ShiftExpired() const;
  bool LongTapeForm() const;
  bool AppendTapeEntry(uint8_t kind, int section, uint64_t amount, uint16_t extra1, uint16_t extra2,
                       bool flag0, bool flag1);
  void AddAmount(int scope, int column, int k, int64_t delta);
  void AddCounter(int scope, int column, int k, int delta);
  void AddDrawerCash(int64_t delta);
  int CurrentCashier() const;
  std::string TextFieldAt(uint16_t address, size_t width) const;
  std::string TextBlockAt(uint16_t address, size_t width) const;

  RegisterOptions options_;
  std::function<int64_t()> hostClock_;
  Memory memory_;
  FaultPlan faults_;
  std::string paper_;
  std::string display_;
  std::array<uint8_t, 4> routineResult_{};
  bool annulmentPrepared_ = false;
  bool changed_ = false;
  uint64_t requests_ = 0;
  uint64_t faultsCommitted_ = 0;
  std::optional<Fault> lastFault_;
  std::vector<uint8_t> heldBack_;
};

}  // namespace varnolo::sim
