#include "settings/decimal.h"

#include <charconv>
#include <cmath>

namespace varnolo {
namespace {

// The value of a fixed-notation decimal text, correctly rounded. Below 2^53
// its digits make an exact integer, and one IEEE division by the exact power
// of ten rounds the quotient correctly: the same double on every target,
// whatever floating-point unit the library's runtime uses.
double ReadFixed(const char* begin, const char* end) {
  constexpr uint64_t kExact = uint64_t{1} << 53;  // every integer up to here is a double
  const bool negative = begin != end && *begin == '-';
  uint64_t digits = 0;
  uint64_t scale = 1;
  bool fraction = false;
  for (const char* c = negative ? begin + 1 : begin; c != end; ++c) {
    if (*c == '.') {
      fraction = true;
      continue;
    }
    digits = digits * 10 + static_cast<uint64_t>(*c - '0');
    if (fraction) scale *= 10;
    if (digits > kExact) {  // far beyond any amount: the runtime's reader will do
      double result = 0;
      std::from_chars(begin, end, result, std::chars_format::fixed);
      return result;
    }
  }
  const double v = static_cast<double>(digits) / static_cast<double>(scale);
  return negative ? -v : v;
}

}  // namespace

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
  *value = ReadFixed(text, cut);
  return *value;
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
