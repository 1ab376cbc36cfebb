// The command primitives: each knows one command of the register, fills the
// header, splits long transfers into blocks, paces the traffic with its fixed
// pauses and returns a result code. Every primitive takes the register number
// that goes into its headers.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "link/capability_entry.h"
#include "link/result.h"

namespace varnolo {

// Memory spaces. A transfer whose address + length passes the end of its space
// returns 257 and sends nothing; the end itself is allowed.
ResultCode ReadDataMemory(uint32_t reg, uint16_t address, std::span<uint8_t> buffer);
ResultCode WriteDataMemory(uint32_t reg, uint16_t address, std::span<const uint8_t> bytes);
ResultCode ReadWorkingMemory(uint32_t reg, uint16_t address, std::span<uint8_t> buffer);
ResultCode WriteWorkingMemory(uint32_t reg, uint16_t address, std::span<const uint8_t> bytes);
ResultCode ReadGoodsMemory(uint32_t reg, uint16_t address, std::span<uint8_t> buffer);
ResultCode WriteGoodsMemory(uint32_t reg, uint16_t address, std::span<const uint8_t> bytes);
ResultCode ReadFlagArea(uint32_t reg, uint16_t offset, std::span<uint8_t> buffer);
ResultCode WriteFlagArea(uint32_t reg, uint16_t offset, std::span<const uint8_t> bytes);

ResultCode QueryGoodsBaseSize(uint32_t reg, std::array<uint8_t, 4>& reply);
// Selector 0 and 4 send bytes[0]; selector 5 sends 13 bytes; others: 258.
ResultCode SendSelectorBytes(uint32_t reg, std::span<const uint8_t> bytes, uint8_t selector);
ResultCode BeginSessionCommand(uint32_t reg, uint8_t parameter);
ResultCode EndSessionCommand(uint32_t reg);
ResultCode ShowOnDisplay(uint32_t reg, const char* text, uint32_t position, int32_t flag);

// The clock as seven plain values: day, month, year, hour, minute, second.
struct ClockValue {
  uint8_t day = 0;
  uint8_t month = 0;
  uint16_t year = 0;
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;
};
ResultCode ReadClock(uint32_t reg, ClockValue& value);
ResultCode WriteClock(uint32_t reg, const ClockValue& value);

// Runs a firmware routine. Checks in this order: slot > 4, slot > count,
// parameters missing (257); entry point 0 (258).
ResultCode CallRoutine(uint32_t reg, uint8_t slot, uint8_t count, CapabilityEntry entry,
                       CapabilityEntry second, std::span<const uint8_t> parameters,
                       uint32_t timeoutMs);
inline constexpr size_t kRoutineBlockSize = 255;
ResultCode CallRoutineWithBlock(uint32_t reg, CapabilityEntry entry,
                                std::span<const uint8_t, kRoutineBlockSize> block);
// count above 4: 257.
ResultCode ReadRoutineResult(uint32_t reg, uint8_t count, std::span<uint8_t> result);

// The end-of-call notice: written, never answered, outcome ignored.
void SendCallEndNotice();

}  // namespace varnolo
