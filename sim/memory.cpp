#include "memory.h"

namespace varnolo::sim {

uint64_t GetBe(std::span<const uint8_t> bytes) {
  uint64_t v = 0;
  for (uint8_t b : bytes) v = v << 8 | b;
  return v;
}

void PutBe(std::span<uint8_t> bytes, uint64_t value) {
  for (size_t i = bytes.size(); i-- > 0;) {
    bytes[i] = static_cast<uint8_t>(value);
    value >>= 8;
  }
}

uint64_t GetDigits(std::span<const uint8_t> digits) {
  uint64_t v = 0;
  for (uint8_t d : digits) v = v * 10 + d;
  return v;
}

}  // namespace varnolo::sim
