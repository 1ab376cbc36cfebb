#include "link/packet_codec.h"

namespace varnolo {

std::array<uint8_t, 4> ToBcd32(uint32_t n) {
  std::array<uint8_t, 4> out{};
  for (int k = 3; k >= 0; --k) {
    out[static_cast<size_t>(k)] = static_cast<uint8_t>(((n / 10) % 10) << 4 | (n % 10));
    n /= 100;
  }
  return out;
}

std::array<uint8_t, 2> ToBcd16(uint16_t n) {
  const auto four = ToBcd32(n);
  return {four[2], four[3]};
}

uint8_t ToBcd8(uint8_t n) { return static_cast<uint8_t>((n / 10) * 16 + n % 10); }

uint32_t FromBcd(std::span<const uint8_t> bytes) {
  uint32_t value = 0;
  for (uint8_t b : bytes) value = value * 100 + (b >> 4) * 10u + (b & 0x0Fu);
  return value;
}

uint8_t FromBcd8(uint8_t b) { return static_cast<uint8_t>((b >> 4) * 10 + (b & 0x0F)); }

uint8_t HeaderChecksum(std::span<const uint8_t> first10) {
  return static_cast<uint8_t>(~DataChecksum(first10.first(10)));
}

uint8_t DataChecksum(std::span<const uint8_t> data) {
  uint8_t sum = 0;
  for (uint8_t b : data) sum = static_cast<uint8_t>(sum + b);
  return sum;
}

WireHeader EncodeHeader(const PacketHeader& h) {
  WireHeader w{};
  w[0] = static_cast<uint8_t>(h.command >> 8);
  w[1] = static_cast<uint8_t>(h.command);
  w[2] = static_cast<uint8_t>(h.length >> 8);
  w[3] = static_cast<uint8_t>(h.length);
  w[4] = static_cast<uint8_t>(h.address >> 8);
  w[5] = static_cast<uint8_t>(h.address);
  if ((h.registerNumber >> 24) == 0xF0u) {
    w[6] = 0xF0;  // the special form carries no digits
  } else {
    const auto bcd = ToBcd32(h.registerNumber);
    for (size_t i = 0; i < 4; ++i) w[6 + i] = bcd[i];
  }
  w[10] = HeaderChecksum(std::span<const uint8_t>(w.data(), 10));
  return w;
}

PacketHeader DecodeHeader(std::span<const uint8_t, kHeaderSize> w) {
  PacketHeader h;
  h.command = static_cast<uint16_t>(w[0] << 8 | w[1]);
  h.length = static_cast<uint16_t>(w[2] << 8 | w[3]);
  h.address = static_cast<uint16_t>(w[4] << 8 | w[5]);
  h.registerNumber = FromBcd(w.subspan(6, 4));
  return h;
}

bool HeaderChecksumValid(std::span<const uint8_t, kHeaderSize> w) {
  return HeaderChecksum(w.first(10)) == w[10];
}

}  // namespace varnolo
