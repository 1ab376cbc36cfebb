// The register's packet framing: the 11-byte header, packed BCD and the two
// checksums. Shared by the library and the register simulator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace varnolo {

constexpr size_t kHeaderSize = 11;
using WireHeader = std::array<uint8_t, kHeaderSize>;

struct PacketHeader {
  uint16_t command = 0;
  uint16_t length = 0;
  uint16_t address = 0;
  uint32_t registerNumber = 0;

  // Bit 0 of the low command byte: data follows this header.
  bool CarriesData() const { return (command & 0x0001u) != 0 && length != 0; }
};

// Four packed-BCD bytes, most significant pair first; digits above the eighth
// are dropped.
std::array<uint8_t, 4> ToBcd32(uint32_t n);
// Two packed-BCD bytes, most significant pair first.
std::array<uint8_t, 2> ToBcd16(uint16_t n);
uint8_t ToBcd8(uint8_t n);  // (n / 10) * 16 + n % 10, truncated to 8 bits
// Weighted sum of the nibbles; nibbles above 9 are not refused.
uint32_t FromBcd(std::span<const uint8_t> bytes);
uint8_t FromBcd8(uint8_t b);

// Bitwise complement of the 8-bit sum of bytes 0 to 9.
uint8_t HeaderChecksum(std::span<const uint8_t> first10);
// The 8-bit sum of the data bytes, not complemented.
uint8_t DataChecksum(std::span<const uint8_t> data);

WireHeader EncodeHeader(const PacketHeader& header);
// Decodes bytes 0 to 9; the checksum is checked separately.
PacketHeader DecodeHeader(std::span<const uint8_t, kHeaderSize> wire);
bool HeaderChecksumValid(std::span<const uint8_t, kHeaderSize> wire);

}  // namespace varnolo
