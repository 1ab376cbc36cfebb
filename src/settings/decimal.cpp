#include "settings/decimal.h"

#include <charconv>
#include <cmath>

namespace varnolo {

double TruncateDecimals(double* value, int k) {
  if (k < 0 || k > 5) return 0;
  if (!std::isfinite(*value)) return *value;
  // Room for every finite double in fixed notation: 309 integer digits,
  // sign, point and five decimals.
  char text[400];
  const auto [end, ec] =
      std::to_chars(text, text + sizeof text, *value, std::chars_format::fixed, 5);
  if (ec != std::errc()) return *value;
  char* point = text;
  while (point != end && *point != '.') ++point;
  if (point == end) return *value;
  const char* cut = point + 1 + k;
  double result = 0;
  std::from_chars(text, cut, result, std::chars_format::fixed);
  *value = result;
  return result;
}

bool FiniteWithin(double value, double low, double high) {
  return std::isfinite(value) && value >= low && value <= high;
}

uint64_t Hundredths(double value) { return static_cast<uint64_t>((value + 0.005) * 100); }

void PutBcd(std::span<uint8_t> out, uint64_t value) {
  for (size_t i = out.size(); i-- > 0;) {
    out[i] = static_cast<uint8_t>((value / 10) % 10 << 4 | value % 10);
    value /= 100;
  }
}

void PutDigits(std::span<uint8_t> out, uint64_t value) {
  for (size_t i = out.size(); i-- > 0;) {
    out[i] = static_cast<uint8_t>(value % 10);
    value /= 10;
  }
}

std::array<uint8_t, 5> PackDecimal(std::span<const char, 12> digits) {
  uint64_t n = 0;
  for (char c : digits) n = n * 10 + static_cast<uint64_t>(c - '0');
  std::array<uint8_t, 5> out{};
  for (size_t i = out.size(); i-- > 0;) {
    out[i] = static_cast<uint8_t>(n);
    n >>= 8;
  }
  return out;
}

void UnpackDecimal(std::span<char, 14> out, std::span<const uint8_t, 5> packed) {
  uint64_t n = 0;
  for (uint8_t b : packed) n = n << 8 | b;
  n %= 1000000000000ull;
  for (char& c : out) c = 0;
  for (size_t i = 12; i-- > 0;) {
    out[i] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
}

}  // namespace varnolo
