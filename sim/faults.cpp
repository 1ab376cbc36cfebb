#include "faults.h"

#include <cstdio>
#include <cstdlib>

namespace varnolo::sim {
namespace {

bool ParseNumber(const std::string& s, uint32_t& out) {
  if (s.empty() || s[0] == '-') return false;
  char* end = nullptr;
  const unsigned long v = std::strtoul(s.c_str(), &end, 0);
  if (end == nullptr || *end != '\0' || v > 0xFFFFFFFFul) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

struct KindName {
  FaultKind kind;
  const char* name;
  bool takesValue;
};

constexpr KindName kKinds[] = {
    {FaultKind::kDrop, "drop", false},     {FaultKind::kStatus, "status", true},
    {FaultKind::kCut, "cut", true},        {FaultKind::kDelay, "delay", true},
    {FaultKind::kDamage, "damage", false}, {FaultKind::kStray, "stray", true},
    {FaultKind::kHangUp, "hangup", false}, {FaultKind::kLate, "late", false},
    {FaultKind::kPace, "pace", true},      {FaultKind::kShort, "short", true},
    {FaultKind::kLong, "long", true},      {FaultKind::kNoData, "nodata", false},
};

const KindName& NameOf(FaultKind kind) {
  for (const KindName& k : kKinds) {
    if (k.kind == kind) return k;
  }
  return kKinds[0];
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
  const bool hasArg = colon != std::string::npos;
  const std::string arg = hasArg ? body.substr(colon + 1) : "";
  const KindName* kind = nullptr;
  for (const KindName& k : kKinds) {
    if (name == k.name) kind = &k;
  }
  if (kind == nullptr) return std::nullopt;
  f.kind = kind->kind;
  uint32_t v = 0;
  if (f.kind == FaultKind::kDrop) {
    // drop:N drops N replies in a row
    if (hasArg) {
      if (!ParseNumber(arg, v) || v == 0) return std::nullopt;
      f.count = static_cast<int>(v);
    }
    return f;
  }
  if (!kind->takesValue) return hasArg ? std::nullopt : std::optional<Fault>(f);
  if (!ParseNumber(arg, v)) return std::nullopt;
  if (f.kind == FaultKind::kStatus && (v == 0 || v > 255)) return std::nullopt;
  if ((f.kind == FaultKind::kShort || f.kind == FaultKind::kLong) && (v == 0 || v > 255))
    return std::nullopt;
  if (f.kind == FaultKind::kPace && (v == 0 || v > 1000)) return std::nullopt;
  f.value = v;
  return f;
}

std::string DescribeFault(const Fault& fault) {
  std::string out = NameOf(fault.kind).name;
  if (fault.kind == FaultKind::kStatus) {
    char hex[8];
    std::snprintf(hex, sizeof hex, " 0x%02X", fault.value & 0xFFu);
    out += hex;
  } else if (NameOf(fault.kind).takesValue) {
    out += ' ';
    out += std::to_string(fault.value);
  }
  return out;
}

std::string FaultSpec(const Fault& fault) {
  std::string out = NameOf(fault.kind).name;
  if (fault.kind == FaultKind::kDrop) {
    if (fault.count != 1) (out += ':') += std::to_string(fault.count);
  } else if (NameOf(fault.kind).takesValue) {
    (out += ':') += std::to_string(fault.value);
  }
  if (fault.command != 0) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "@0x%04X", fault.command);
    out += hex;
  }
  if (fault.skip != 0) (out += '+') += std::to_string(fault.skip);
  return out;
}

std::optional<Fault> FaultPlan::Take(uint16_t command, uint64_t request) {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->command != 0 && it->command != command) continue;
    if (request < it->atRequest) continue;
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
