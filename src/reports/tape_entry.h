// A control-tape entry as the register stores it (7 bytes, or 11 in the long
// form) decoded into the record the application's callback receives.
#pragma once

#include <cstdint>
#include <span>

#include "varnolo.h"

namespace varnolo {

inline constexpr size_t kShortEntry = 7;
inline constexpr size_t kLongEntry = 11;

ControlTapeEntry DecodeTapeEntry(std::span<const uint8_t> stored, uint8_t sectionCount);

}  // namespace varnolo
