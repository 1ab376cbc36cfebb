// A rate in the register: whole hundredths of a percent, held in data memory
// as BCD bytes with their sum, and in working memory as unpacked digits.
#pragma once

#include <cstdint>

#include "link/result.h"

namespace varnolo {

struct RatePlace {
  uint16_t dataAddress;  // first copy
  uint16_t secondCopy;   // 0: no second copy
  size_t bcdBytes;       // 2 or 3
  uint16_t workingAddress;
  size_t digits;  // 4 or 5
};

ResultCode WriteRate(const RatePlace& place, uint64_t hundredths);
// Reads the first copy's BCD bytes; the result in percent.
ResultCode ReadRate(const RatePlace& place, double& percent);

}  // namespace varnolo
