// Collects a byte stream into whole packets: an 11-byte header, then, when the
// direction bit says so, the data and its checksum. Used by whoever listens to
// the host's side of the line (the register simulator, test peers).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/packet_codec.h"

namespace varnolo {

struct Packet {
  WireHeader wire{};
  PacketHeader header;
  std::vector<uint8_t> data;
  uint8_t dataChecksum = 0;

  bool HeaderIntact() const { return HeaderChecksumValid(wire); }
  bool DataIntact() const { return DataChecksum(data) == dataChecksum; }
};

class PacketAssembler {
 public:
  void Feed(std::span<const uint8_t> bytes);
  // The next complete packet, if one has arrived.
  std::optional<Packet> Next();
  void Reset() { pending_.clear(); }
  size_t Pending() const { return pending_.size(); }

 private:
  std::vector<uint8_t> pending_;
};

}  // namespace varnolo
