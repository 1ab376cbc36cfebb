#include "checks/encoding.h"

#include <cmath>

namespace varnolo {

uint64_t RoundedHundredths(double x) {
  const double v = std::floor((x + 0.005) * 100);
  if (!std::isfinite(v) || v < 0) return 0;  // no digit form
  if (v >= 1e18) return static_cast<uint64_t>(std::fmod(v, 1e18));
  return static_cast<uint64_t>(v);
}

double RoundHundredths(double x) { return std::floor((x + 0.005) * 100) / 100; }

void EncodeDigits(std::span<uint8_t> out, double x) {
  uint64_t v = RoundedHundredths(x);
  for (size_t i = out.size(); i-- > 0;) {
    out[i] = static_cast<uint8_t>(v % 10);
    v /= 10;
  }
}

void PutBe16(std::span<uint8_t> out, uint32_t v) {
  out[0] = static_cast<uint8_t>(v >> 8);
  out[1] = static_cast<uint8_t>(v);
}

void PutBe24(std::span<uint8_t> out, uint32_t v) {
  out[0] = static_cast<uint8_t>(v >> 16);
  out[1] = static_cast<uint8_t>(v >> 8);
  out[2] = static_cast<uint8_t>(v);
}

double AmountFromBigEndian(std::span<const uint8_t> bytes) {
  double value = 0;
  double weight = 1;
  for (size_t i = bytes.size(); i-- > 0;) {
    value += bytes[i] * weight;
    weight *= 256.0;
  }
  return value * 0.01;
}

}  // namespace varnolo
