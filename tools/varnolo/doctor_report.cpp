#include "doctor_report.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace varnolo::cli {
namespace {

using nlohmann::json;

std::string Field(const std::string& name) {
  std::string s = "  " + name;
  s.resize(16, ' ');
  return s;
}

json PortJson(const PortReport& p) {
  json out{{"port", p.candidate.name}, {"origin", p.candidate.origin}};
  if (p.candidate.network) {
    out["network"] = true;
  } else {
    out["exists"] = p.access.exists;
    if (p.access.exists) {
      out["device"] = p.access.device;
      out["permitted"] = p.access.permitted;
      if (!p.access.advice.empty()) out["advice"] = p.access.advice;
      out["serialChip"] = p.access.serialChip;
    }
  }
  json holders = json::array();
  for (const PortHolder& h : p.holders)
    holders.push_back({{"pid", h.pid}, {"program", h.program}, {"seenBy", h.seenBy}});
  out["heldBy"] = holders;
  out["register"] = p.found ? FindingsJson(*p.found) : json(nullptr);
  if (!p.notTried.empty()) out["notTried"] = p.notTried;
  return out;
}

std::string ClockLine(const RegisterFindings& f) {
  const int64_t ahead = *f.clockAheadSeconds;
  const int64_t off = ahead < 0 ? -ahead : ahead;
  std::string text = *f.clock + ", ";
  text += off < 2
              ? "as this PC's"
              : std::to_string(off) + " s " + (ahead > 0 ? "ahead of" : "behind") + " this PC's";
  text += " (" + *f.pcClock + ")";
  if (off > 120) text += ": set it with varnolo clock sync";
  return text;
}

std::string ShiftLine(const ShiftAge& s) {
  if (!s.open) return "closed";
  char hours[32];
  std::snprintf(hours, sizeof hours, "%.2f h", s.hours);
  std::string text = "open since " + s.openedAt + ", " + hours;
  if (s.hours > kShiftLimitHours)
    return text +
           ": over its 24-hour limit; documents are refused until it is closed "
           "(varnolo close-shift)";
  return text + " of its 24-hour limit";
}

std::string TapeLine(int entries, int capacity) {
  const int percent = capacity > 0 ? entries * 100 / capacity : 0;
  std::string text = std::to_string(entries) + " of " + std::to_string(capacity) + " entries (" +
                     std::to_string(percent) + "%)";
  if (percent >= 90) text += ": close the shift and the tape soon (varnolo close-tape)";
  return text;
}

void RegisterLines(std::ostringstream& out, uint32_t number, const PortReport& p) {
  const std::string label = "register " + std::to_string(number);
  if (!p.found) {
    out << Field(label) << "not tried: " << p.notTried << "\n";
    return;
  }
  const RegisterFindings& f = *p.found;
  if (!f.answered) {
    out << Field(label) << "did not answer (is it on, on this cable, numbered " << number
        << "? --register N)\n";
    return;
  }
  out << Field(label) << "answered\n";
  if (f.clock) out << Field("clock") << ClockLine(f) << "\n";
  if (f.shift) out << Field("shift") << ShiftLine(*f.shift) << "\n";
  if (f.tapeEntries) out << Field("tape") << TapeLine(*f.tapeEntries, f.tapeCapacity) << "\n";
  if (!f.failure.empty()) out << Field("not read") << f.failure << "\n";
}

void DeviceLines(std::ostringstream& out, const PortReport& p) {
  if (p.candidate.network) {
    out << Field("device") << "a network link\n";
    return;
  }
  if (!p.access.exists) {
    out << Field("device") << "does not exist (is the cable in? is the adapter named otherwise? "
        << "ls /dev/serial/by-id)\n";
    return;
  }
  out << Field("device") << p.access.device << "\n";
  out << Field("permission")
      << (p.access.permitted ? "read and write" : "denied: " + p.access.advice) << "\n";
  if (!p.access.serialChip) return;
  if (p.holders.empty()) out << Field("held by") << "nobody\n";
  for (const PortHolder& h : p.holders) {
    out << Field("held by") << "pid " << h.pid << " (" << (h.program.empty() ? "gone" : h.program)
        << "), seen by its " << h.seenBy << "\n";
  }
}

}  // namespace

bool DoctorReport::Answered() const {
  return std::any_of(ports.begin(), ports.end(),
                     [](const PortReport& p) { return p.found && p.found->answered; });
}

json DoctorJson(const DoctorReport& report) {
  json ports = json::array();
  for (const PortReport& p : report.ports) ports.push_back(PortJson(p));
  return {{"register", report.registerNumber}, {"answered", report.Answered()}, {"ports", ports}};
}

std::string DoctorText(const DoctorReport& report) {
  std::ostringstream out;
  std::vector<std::string> chipless;
  for (const PortReport& p : report.ports) {
    if (p.candidate.searched && p.access.exists && !p.access.serialChip) {
      chipless.push_back(p.candidate.name);
      continue;
    }
    out << p.candidate.name << " (" << p.candidate.origin << ")\n";
    DeviceLines(out, p);
    RegisterLines(out, report.registerNumber, p);
  }
  if (!chipless.empty()) {
    out << "no serial chip behind:";
    for (const std::string& name : chipless) out << " " << name;
    out << "\n";
  }
  if (report.ports.empty()) out << "no port to look at: name one with --port\n";
  out << (report.Answered() ? "a register answered\n" : "no register answered\n");
  return out.str();
}

}  // namespace varnolo::cli
