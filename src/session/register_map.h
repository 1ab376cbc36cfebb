// Fixed places in the register's memory that do not depend on the firmware
// version (the others come from the firmware table).
#pragma once

#include <cstdint>

namespace varnolo::mem {

// Data memory
inline constexpr uint16_t kShiftByte = 0x37B1;
inline constexpr uint8_t kShiftOpenMark = 0xAA;
inline constexpr uint16_t kTapeStateByte = 0x37B4;
inline constexpr uint16_t kTapeDate = 0x37B7;
inline constexpr uint16_t kTapeTime = 0x3A37;
inline constexpr uint16_t kTapeClosingState = 0x36B2;
inline constexpr uint16_t kTapeEntries = 0x3A3D;

// Working memory
inline constexpr uint16_t kFirmwareVersion = 0x1FFF;
inline constexpr uint16_t kCheckTotalsRecord = 0x07F8;

}  // namespace varnolo::mem
