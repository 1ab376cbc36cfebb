// Decimal helpers for the caller's doubles and the register's number forms.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace varnolo {

// Rounds to five decimals, then cuts towards zero to k decimals (k 0 to 5),
// stores the result through the pointer and returns it. k above 5 returns 0
// and leaves the value alone. NaN and infinities are left as they are (the
// callers refuse them). Works for every double and ignores the C locale.
double TruncateDecimals(double* value, int k);
// The same cut for a field of a caller's record: the records are packed and may
// sit at any address, so the field goes in and comes back by value, never
// through a pointer or reference into the record. k above 5: the value as it is.
inline double TruncatedDecimals(double value, int k) {
  TruncateDecimals(&value, k);
  return value;
}

// True for a finite double within [low, high].
bool FiniteWithin(double value, double low, double high);

// Amount in whole hundredths: (value + 0.005) x 100, truncated towards zero.
uint64_t Hundredths(double value);

// n bytes of BCD (two digits a byte, most significant first) of value.
void PutBcd(std::span<uint8_t> out, uint64_t value);
// n unpacked decimal digits (one digit 0-9 a byte), most significant first.
void PutDigits(std::span<uint8_t> out, uint64_t value);

// The 12 digit characters as a 40-bit number, most significant byte first.
std::array<uint8_t, 5> PackDecimal(std::span<const char, 12> digits);
// 14 characters: the 5-byte number as 12 zero-filled digits, then two zeros.
// A stored number of 13 digits keeps its lowest twelve.
void UnpackDecimal(std::span<char, 14> out, std::span<const uint8_t, 5> packed);

}  // namespace varnolo
