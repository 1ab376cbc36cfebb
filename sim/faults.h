// Faults the simulated register can be told to commit on its replies: for the
// library's tests, and for application developers who want to see their
// software cope with a bad line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnolo::sim {

enum class FaultKind {
  kDrop,    // send no reply (the request is still carried out)
  kStatus,  // answer with this status byte and do not carry the request out
  kCut,     // send only the first `value` bytes of the reply
  kDelay,   // send the reply `value` ms late
  kDamage,  // damage the reply's last checksum byte
  kStray,   // send `value` stray bytes before the reply
  kHangUp,  // send half the reply, then close the line
};

struct Fault {
  FaultKind kind = FaultKind::kDrop;
  uint16_t command = 0;  // 0: any command; otherwise only requests with this command
  uint32_t value = 0;
  int count = 1;  // how many replies it applies to
  int skip = 0;   // matching replies to let pass first
};

// "drop:2", "status:5", "cut:8", "delay:3000", "damage", "stray:3", "hangup";
// an optional "@0xCMD" suffix limits a fault to one command, and a further
// "+N" lets N matching replies pass first ("status:5@0x0101+2").
std::optional<Fault> ParseFault(const std::string& text);

class FaultPlan {
 public:
  void Add(const Fault& fault) { faults_.push_back(fault); }
  void Clear() { faults_.clear(); }
  // The fault for the next reply to `command`, used up by this call.
  std::optional<Fault> Take(uint16_t command);
  bool Empty() const { return faults_.empty(); }

 private:
  std::vector<Fault> faults_;
};

}  // namespace varnolo::sim
