#include "support/sim_peer.h"

#include "link/commands.h"

namespace varnolo::test {

std::optional<PeerReply> SimPeer::OnPacket(const Packet& packet) {
  std::optional<sim::Reply> r = reg_.Handle(packet);
  if (!r) return std::nullopt;
  // A reply held back by a "late" fault comes first, paced like this one.
  std::vector<uint8_t> bytes = std::move(r->heldBack);
  bytes.insert(bytes.end(), r->bytes.begin(), r->bytes.end());
  return PeerReply{std::move(bytes), r->delayMs, r->byteIntervalMs};
}

SimFixture::SimFixture(sim::RegisterOptions options)
    : reg(options, [this] { return hostSeconds; }) {}

void SimFixture::SetUp() { platform->SetPeer(&peer); }

void SimFixture::Start() {
  ASSERT_EQ(CRInitInterface(reg.number(), 0), 1);
  platform->ClearRecords();
}

std::vector<uint16_t> SimFixture::Commands() {
  std::vector<uint16_t> out;
  for (const Packet& p : platform->Packets()) out.push_back(p.header.command);
  return out;
}

int SimFixture::Notices() {
  int n = 0;
  for (const Packet& p : platform->Packets()) n += p.header.command == cmd::kCallEndNotice ? 1 : 0;
  return n;
}

}  // namespace varnolo::test
