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
  kLate,    // hold the reply back and send it just after the next request arrives
  kPace,    // send the reply one byte every `value` ms
  kShort,   // a read's answer carries `value` data bytes fewer than asked for
  kLong,    // a read's answer carries `value` data bytes more than asked for
  kNoData,  // a read is answered with status 0 and no data
};

struct Fault {
  FaultKind kind = FaultKind::kDrop;
  uint16_t command = 0;  // 0: any command; otherwise only requests with this command
  uint32_t value = 0;
  int count = 1;           // how many replies it applies to
  int skip = 0;            // matching replies to let pass first
  uint64_t atRequest = 0;  // waits until the register has received this many requests
};

// "drop:2", "status:5", "cut:8", "delay:3000", "damage", "stray:3", "hangup",
// "late", "pace:1", "short:2", "long:1", "nodata"; an optional "@0xCMD" suffix
// limits a fault to one command, and a further "+N" lets N matching replies
// pass first ("status:5@0x0101+2").
std::optional<Fault> ParseFault(const std::string& text);
// The fault as the trace marks it: "delay 9700", "damage", "status 0x05".
std::string DescribeFault(const Fault& fault);
// The fault in the syntax ParseFault reads.
std::string FaultSpec(const Fault& fault);

// The faults still to be committed. Faults that match the same reply form a
// queue in the order they were added: only the first of them counts down its
// "+N" and fires; the next one starts counting once the first is used up.
class FaultPlan {
 public:
  void Add(const Fault& fault) { faults_.push_back(fault); }
  void Clear() { faults_.clear(); }
  // The fault for the reply to request number `request` with `command`, used
  // up by this call.
  std::optional<Fault> Take(uint16_t command, uint64_t request);
  bool Empty() const { return faults_.empty(); }
  const std::vector<Fault>& pending() const { return faults_; }

 private:
  std::vector<Fault> faults_;
};

}  // namespace varnolo::sim
