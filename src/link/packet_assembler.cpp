#include "link/packet_assembler.h"

#include <algorithm>

namespace varnolo {

void PacketAssembler::Feed(std::span<const uint8_t> bytes) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

std::optional<Packet> PacketAssembler::Next() {
  if (pending_.size() < kHeaderSize) return std::nullopt;
  Packet p;
  std::copy_n(pending_.begin(), kHeaderSize, p.wire.begin());
  p.header = DecodeHeader(p.wire);
  size_t total = kHeaderSize;
  if (p.header.CarriesData()) {
    total += p.header.length + 1u;
    if (pending_.size() < total) return std::nullopt;
    p.data.assign(pending_.begin() + kHeaderSize, pending_.begin() + kHeaderSize + p.header.length);
    p.dataChecksum = pending_[total - 1];
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(total));
  return p;
}

}  // namespace varnolo
