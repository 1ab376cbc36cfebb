#include "support/sim_peer.h"

#include "link/commands.h"

namespace varnolo::test {

std::optional<PeerReply> SimPeer::OnPacket(const Packet& packet) {
  std::optional<sim::Reply> r = reg_.Handle(packet);
  if (!r) return std::nullopt;
  return PeerReply{std::move(r->bytes), r->delayMs};
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
