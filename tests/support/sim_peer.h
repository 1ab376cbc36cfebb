// The simulated register as the far end of the fake line, and a fixture that
// starts a session with it through the library's own CRInitInterface.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "link/result.h"
#include "register.h"
#include "support/fake_platform.h"
#include "varnolo.h"

namespace varnolo::test {

class SimPeer final : public Peer {
 public:
  explicit SimPeer(sim::Register& reg) : reg_(reg) {}
  std::optional<PeerReply> OnPacket(const Packet& packet) override;

 private:
  sim::Register& reg_;
};

// 2026-03-02 10:00:00 UTC: a fixed host clock for the simulated register.
inline constexpr int64_t kTestEpoch = 1772445600;

class SimFixture : public ::testing::Test {
 protected:
  explicit SimFixture(sim::RegisterOptions options = {});
  void SetUp() override;

  // Starts the session; the records of the start-up are cleared.
  void Start();
  // Commands of the packets sent since the records were last cleared.
  std::vector<uint16_t> Commands();
  // The end-of-call notices sent since the records were last cleared.
  int Notices();
  sim::Memory& mem() { return reg.memory(); }
  uint16_t Address(int index) const { return reg.Address(index); }

  int64_t hostSeconds = kTestEpoch;
  ScopedFakePlatform platform;
  sim::Register reg;
  SimPeer peer{reg};
};

}  // namespace varnolo::test
