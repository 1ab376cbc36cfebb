// The simulated firmware's memory map: the fixed places the host knows, and
// the firmware's own bookkeeping in a part of data memory the host never uses.
#pragma once

#include <cstdint>

namespace varnolo::sim::at {

// Data memory, known to the host
inline constexpr uint16_t kHeader = 0x000A;        // text block, width 95, two copies
inline constexpr uint16_t kFooter = 0x00CA;        // text block, width 57
inline constexpr uint16_t kDiscountRate = 0x01AE;  // 2 BCD bytes + checksum
inline constexpr uint16_t kRaiseRate = 0x01B4;     // 3 BCD bytes + checksum
inline constexpr uint16_t kTaxRates = 0x01B4;      // + 8 n, 3 BCD bytes + checksum
inline constexpr uint16_t kSectionCount = 0x01E3;
inline constexpr uint16_t kUseCashiers = 0x01E6;
inline constexpr uint16_t kOption02 = 0x01E9;
inline constexpr uint16_t kUseGoodsBase = 0x01EF;
inline constexpr uint16_t kUseTaxes = 0x01F2;
inline constexpr uint16_t kExtendedChecks = 0x01F5;
inline constexpr uint16_t kCashierNumber = 0x01F8;
inline constexpr uint16_t kDiscountName = 0x01FB;  // text field, width 10
inline constexpr uint16_t kRaiseName = 0x0211;
inline constexpr uint16_t kTaxNames = 0x0211;      // + 22 n
inline constexpr uint16_t kCashierNames = 0x0249;  // + 32 c, width 15
inline constexpr uint16_t kSectionNames = 0x0349;  // + 32 s, width 15
inline constexpr uint16_t kNamesEnd = 0x0569;
inline constexpr uint16_t kGoodsEntries = 0x057F;  // + 25 n, entries 1 to 500
inline constexpr uint16_t kGoodsEntriesEnd = 0x366C;
inline constexpr uint16_t kTapeClosingState = 0x36B2;
inline constexpr uint16_t kShiftByte = 0x37B1;
inline constexpr uint8_t kShiftOpenMark = 0xAA;
inline constexpr uint16_t kTapeStateByte = 0x37B4;
inline constexpr uint16_t kTapeDate = 0x37B7;
inline constexpr uint16_t kTapeTime = 0x3A37;
inline constexpr uint16_t kTapeEntries = 0x3A3D;
inline constexpr uint32_t kDataEnd = 0x8000;

// Data memory, the firmware's own bookkeeping (0x3700 to 0x37AF)
inline constexpr uint16_t kShiftStart = 0x3700;      // 8 bytes, seconds
inline constexpr uint16_t kClockOffset = 0x3708;     // 8 bytes, signed seconds
inline constexpr uint16_t kDocumentNumber = 0x3710;  // 4 bytes
inline constexpr uint16_t kShiftNumber = 0x3714;     // 2 bytes
inline constexpr uint16_t kLastCheck = 0x3716;       // see LastCheck in firmware.cpp
inline constexpr uint16_t kCashierCash = 0x3740;     // 8 x 5 bytes, hundredths

// Working memory
inline constexpr uint16_t kLineRecords = 0x0000;   // 102 bytes each
inline constexpr uint16_t kTotalsRecord = 0x07F8;  // 63 bytes
inline constexpr uint16_t kFirmwareVersion = 0x1FFF;

}  // namespace varnolo::sim::at
