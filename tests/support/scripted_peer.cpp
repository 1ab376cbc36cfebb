#include "support/scripted_peer.h"

#include "link/commands.h"

namespace varnolo::test {

std::vector<uint8_t> StatusReply(uint16_t command, uint8_t status) {
  PacketHeader h{command, 0, static_cast<uint16_t>(status << 8), 0};
  const WireHeader w = EncodeHeader(h);
  return {w.begin(), w.end()};
}

std::vector<uint8_t> DataReply(uint16_t command, std::vector<uint8_t> data) {
  PacketHeader h{static_cast<uint16_t>(command | 1u), static_cast<uint16_t>(data.size()), 0, 0};
  const WireHeader w = EncodeHeader(h);
  std::vector<uint8_t> out(w.begin(), w.end());
  out.insert(out.end(), data.begin(), data.end());
  out.push_back(DataChecksum(data));
  return out;
}

std::optional<PeerReply> ScriptedPeer::OnPacket(const Packet& packet) {
  if (packet.header.command == cmd::kCallEndNotice) return std::nullopt;
  if (script_.empty()) return otherwise_ ? otherwise_(packet) : std::nullopt;
  auto next = std::move(script_.front());
  script_.pop_front();
  return next;
}

std::optional<PeerReply> ZeroRegister(const Packet& packet) {
  const uint16_t c = packet.header.command;
  if (c == cmd::kCallEndNotice) return std::nullopt;
  if ((c & 1u) == 0 && c != cmd::kBeginSession && c != cmd::kEndSession) {
    size_t n = packet.header.length;
    if (c == cmd::kGoodsBaseSize) n = 4;
    if (c == cmd::kReadClock) n = 7;
    if (n > 0) return PeerReply{DataReply(c, std::vector<uint8_t>(n, 0)), 0};
  }
  return PeerReply{StatusReply(c, 0), 0};
}

}  // namespace varnolo::test
