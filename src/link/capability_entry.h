// A 32-bit entry of the firmware table: a 16-bit location (address, offset or
// routine entry point) and the code bank of a routine in bits 16 to 23.
#pragma once

#include <cstdint>

namespace varnolo {

using CapabilityEntry = uint32_t;

constexpr uint16_t EntryLocation(CapabilityEntry e) { return static_cast<uint16_t>(e & 0xFFFFu); }
constexpr uint8_t EntryBank(CapabilityEntry e) { return static_cast<uint8_t>((e >> 16) & 0xFFu); }

}  // namespace varnolo
