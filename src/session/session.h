// The process-wide session: the register's number on the line, its firmware
// version, the located firmware table, the configuration cache and the depth of
// open call frames.
#pragma once

#include <cstdint>
#include <span>

#include "link/capability_entry.h"
#include "link/result.h"
#include "varnolo.h"

namespace varnolo {

struct Session {
  uint32_t registerNumber = 0;  // 0: no session
  uint8_t firmwareVersion = 0;
  uint8_t minVersion = 0;
  std::span<const uint8_t> table;  // located at start-up, kept afterwards
  int32_t callDepth = 0;
  RegisterConfiguration configuration{};  // the configuration cache
};

Session& TheSession();

// The cache before the first successful read: five settings on, 16 sections.
RegisterConfiguration DefaultConfiguration();

// The firmware table entry for an index, for the register of this session.
CapabilityEntry LookupCapability(int index);
inline uint16_t CapabilityAddress(int index) { return EntryLocation(LookupCapability(index)); }

// Every talking operation holds one. When the outermost frame is left the
// register is told that the host is done (the end-of-call notice).
class CallFrame {
 public:
  CallFrame();
  ~CallFrame();
  CallFrame(const CallFrame&) = delete;
  CallFrame& operator=(const CallFrame&) = delete;
};

// 261 while a shift is open (data-memory byte 0x37B1 is 0xAA), 0 when not,
// or the code of the failed read.
ResultCode ShiftOpenTest();

// Puts the session back as it is at load (tests only).
void ResetSessionForTesting();

}  // namespace varnolo
