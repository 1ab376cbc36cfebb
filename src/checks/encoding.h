// Number forms of the check records.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace varnolo {

// The amount in hundredths rounded half up, floor((x + 0.005) x 100), as n
// unpacked decimal digits, most significant first; higher digits are dropped.
// Callers refuse negative, NaN and infinite amounts; here they encode as 0.
void EncodeDigits(std::span<uint8_t> out, double x);
// floor((x + 0.005) x 100) as an integer; 0 for what has no digit form.
uint64_t RoundedHundredths(double x);
// x rounded to hundredths.
double RoundHundredths(double x);

void PutBe16(std::span<uint8_t> out, uint32_t v);
void PutBe24(std::span<uint8_t> out, uint32_t v);

// A big-endian amount of hundredths (5 bytes in the totals, 3 or 5 on the
// tape) as currency units, accumulated in floating point from the least
// significant byte up.
double AmountFromBigEndian(std::span<const uint8_t> bytes);

}  // namespace varnolo
