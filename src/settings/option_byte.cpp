#include "settings/option_byte.h"

#include <array>

#include "link/primitives.h"
#include "session/session.h"

namespace varnolo {

ResultCode WriteOptionByte(uint16_t slot, int capabilityIndex, uint8_t value) {
  const uint32_t reg = TheSession().registerNumber;
  const std::array<uint8_t, 3> copies{value, value, value};
  const ResultCode r = WriteDataMemory(reg, slot, copies);
  if (r != kOk) return r;
  return WriteWorkingMemory(reg, CapabilityAddress(capabilityIndex), {&value, 1});
}

ResultCode ReadOptionByte(uint16_t slot, uint8_t& value) {
  CallFrame frame;
  return ReadDataMemory(TheSession().registerNumber, slot, {&value, 1});
}

}  // namespace varnolo
