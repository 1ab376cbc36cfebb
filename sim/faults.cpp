#include "faults.h"

#include <cstdlib>

namespace varnolo::sim {
namespace {

bool ParseNumber(const std::string& s, uint32_t& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  const unsigned long v = std::strtoul(s.c_str(), &end, 0);
  if (end == nullptr || *end != '\0' || v > 0xFFFFFFFFul) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

}  // namespace

std::optional<Fault> ParseFault(const std::string& text) {
  std::string body = text;
  Fault f;
  if (const size_t plus = body.find('+'); plus != std::string::npos) {
    uint32_t n = 0;
    if (!ParseNumber(body.substr(plus + 1), n)) return std::nullopt;
    f.skip = static_cast<int>(n);
    body = body.substr(0, plus);
  }
  if (const size_t at = body.find('@'); at != std::string::npos) {
    uint32_t c = 0;
    if (!ParseNumber(body.substr(at + 1), c) || c > 0xFFFF) return std::nullopt;
    f.command = static_cast<uint16_t>(c);
    body = body.substr(0, at);
  }
  const size_t colon = body.find(':');
  const std::string name = body.substr(0, colon);
  const std::string arg = colon == std::string::npos ? "" : body.substr(colon + 1);
  uint32_t v = 0;
  if (name == "drop") {
    f.kind = FaultKind::kDrop;
    if (!arg.empty()) {
      if (!ParseNumber(arg, v) || v == 0) return std::nullopt;
      f.count = static_cast<int>(v);
    }
  } else if (name == "status") {
    f.kind = FaultKind::kStatus;
    if (!ParseNumber(arg, v) || v == 0 || v > 255) return std::nullopt;
    f.value = v;
  } else if (name == "cut" || name == "delay" || name == "stray") {
    f.kind = name == "cut"     ? FaultKind::kCut
             : name == "delay" ? FaultKind::kDelay
                               : FaultKind::kStray;
    if (!ParseNumber(arg, v)) return std::nullopt;
    f.value = v;
  } else if (name == "damage" && arg.empty()) {
    f.kind = FaultKind::kDamage;
  } else if (name == "hangup" && arg.empty()) {
    f.kind = FaultKind::kHangUp;
  } else {
    return std::nullopt;
  }
  return f;
}

std::optional<Fault> FaultPlan::Take(uint16_t command) {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->command != 0 && it->command != command) continue;
    if (it->skip > 0) {
      --it->skip;
      return std::nullopt;
    }
    Fault f = *it;
    if (--it->count <= 0) faults_.erase(it);
    return f;
  }
  return std::nullopt;
}

}  // namespace varnolo::sim
