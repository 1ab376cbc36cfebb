// A setting byte held twice in the register: three identical copies in a
// 3-byte data-memory slot, and one byte in working memory at a place that
// depends on the firmware version.
#pragma once

#include <cstdint>

#include "link/result.h"

namespace varnolo {

// Writes the three copies, then (only if that succeeded) the working-memory
// byte at the location of the capability index.
ResultCode WriteOptionByte(uint16_t slot, int capabilityIndex, uint8_t value);

// Reads the first copy of the slot, inside a call frame of its own.
ResultCode ReadOptionByte(uint16_t slot, uint8_t& value);

}  // namespace varnolo
