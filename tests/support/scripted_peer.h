// A register that answers from a script: each request (other than the
// end-of-call notice, which is never answered) takes the next scripted reply.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "support/fake_platform.h"

namespace varnolo::test {

// A reply without data carrying a status byte in byte 4.
std::vector<uint8_t> StatusReply(uint16_t command, uint8_t status);
// A reply with data: the low command byte made odd, data and checksum.
std::vector<uint8_t> DataReply(uint16_t command, std::vector<uint8_t> data);

class ScriptedPeer final : public Peer {
 public:
  // std::nullopt in the script: no reply to that request.
  void Then(std::optional<PeerReply> reply) { script_.push_back(std::move(reply)); }
  void ThenBytes(std::vector<uint8_t> bytes, uint32_t delayMs = 0) {
    script_.push_back(PeerReply{std::move(bytes), delayMs});
  }
  void ThenSilence() { script_.push_back(std::nullopt); }
  // When the script runs out: answer with this function (default: silence).
  void Otherwise(std::function<std::optional<PeerReply>(const Packet&)> f) {
    otherwise_ = std::move(f);
  }

  std::optional<PeerReply> OnPacket(const Packet& packet) override;
  size_t Left() const { return script_.size(); }

 private:
  std::deque<std::optional<PeerReply>> script_;
  std::function<std::optional<PeerReply>(const Packet&)> otherwise_;
};

// Answers every request as a register with all-zero memory would: reads with
// zeros of the length asked, everything else with status 0.
std::optional<PeerReply> ZeroRegister(const Packet& packet);

}  // namespace varnolo::test
