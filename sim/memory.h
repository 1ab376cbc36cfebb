// The register's four memory spaces and the helpers to read and write numbers
// in them the way its firmware stores them.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace varnolo::sim {

struct Memory {
  std::array<uint8_t, 0x8000> data{};
  std::array<uint8_t, 0x2000> working{};
  std::array<uint8_t, 0x8000> goods{};
  std::array<uint8_t, 0x80> flags{};
};

// Unsigned big-endian numbers of 1 to 8 bytes.
uint64_t GetBe(std::span<const uint8_t> bytes);
void PutBe(std::span<uint8_t> bytes, uint64_t value);
// Unpacked decimal digits (one digit 0-9 per byte), most significant first.
uint64_t GetDigits(std::span<const uint8_t> digits);

}  // namespace varnolo::sim
