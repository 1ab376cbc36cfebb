// Command codes of the register protocol. High byte: command group; low byte:
// operation, bit 0 set when data follows the header.
#pragma once

#include <cstdint>

namespace varnolo::cmd {

inline constexpr uint16_t kReadData = 0x0100;
inline constexpr uint16_t kWriteData = 0x0101;
inline constexpr uint16_t kReadWorking = 0x0300;
inline constexpr uint16_t kWriteWorking = 0x0301;
inline constexpr uint16_t kGoodsBaseSize = 0x0400;
inline constexpr uint16_t kSelectorBytes = 0x0401;
inline constexpr uint16_t kBeginSession = 0x0403;
inline constexpr uint16_t kEndSession = 0x0405;
inline constexpr uint16_t kDisplay = 0x0407;
inline constexpr uint16_t kReadFlags = 0x0500;
inline constexpr uint16_t kWriteFlags = 0x0501;
inline constexpr uint16_t kReadClock = 0x0600;
inline constexpr uint16_t kWriteClock = 0x0601;
inline constexpr uint16_t kRoutineResult = 0x0700;
inline constexpr uint16_t kCallRoutine = 0x0701;
inline constexpr uint16_t kReadGoods = 0x0800;
inline constexpr uint16_t kWriteGoods = 0x0801;
inline constexpr uint16_t kCallEndNotice = 0x2900;

// Memory bounds: address + length may not exceed these.
inline constexpr uint32_t kDataMemorySize = 0x8000;
inline constexpr uint32_t kWorkingMemorySize = 0x2000;
inline constexpr uint32_t kGoodsMemorySize = 0x8000;
inline constexpr uint32_t kFlagAreaSize = 0x80;

inline constexpr uint16_t kVersionByteAddress = 0x1FFF;  // working memory

}  // namespace varnolo::cmd
