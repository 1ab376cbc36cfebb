#include "register_probe.h"

#include <cmath>
#include <ctime>

#include "format.h"
#include "register_session.h"
#include "varnolo.h"
#include "varnolo_text.h"

namespace varnolo::cli {
namespace {

// A wall-clock time as seconds, with no time zone applied: the register keeps
// local time, and so is compared with the PC's local time.
int64_t WallSeconds(const TimeDate& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  return static_cast<int64_t>(timegm(&tm));
}

std::string Failed(const char* what, int32_t code) {
  return std::string(what) + ": error " + std::to_string(code) + ": " + VarnoloResultText(code);
}

// The tape's capacity as the documents test it: 1600 entries with the goods
// base on, 2515 without.
int TapeCapacity() {
  RegisterConfiguration config{};
  CRGetQuickConfig(&config);
  return config.useGoodsBase != 0 ? 1600 : 2515;
}

void ReadClockAndTape(RegisterFindings& f) {
  TimeDate clock{};
  if (const int32_t r = CRGetTimeDate(&clock); r != CR_OK) {
    f.failure = Failed("clock", r);
    return;
  }
  const TimeDate pc = LocalTimeNow();
  f.clock = ClockText(clock);
  f.pcClock = ClockText(pc);
  f.clockAheadSeconds = WallSeconds(clock) - WallSeconds(pc);
  ControlTapeInfo tape{};
  if (const int32_t r = CRGetCTInfo(&tape); r != CR_OK) {
    f.failure = Failed("tape", r);
    return;
  }
  ShiftAge shift;
  shift.open = tape.shiftOpen != 0;
  if (shift.open) {
    const TimeDate opened{tape.day, tape.month, tape.year, tape.hour, tape.minute, 0, 0};
    shift.openedAt = ClockText(opened).substr(0, 16);
    shift.hours =
        std::floor(static_cast<double>(WallSeconds(clock) - WallSeconds(opened)) / 36.0) / 100;
  }
  f.shift = shift;
  f.tapeEntries = tape.entryCount;
  f.tapeCapacity = TapeCapacity();
}

}  // namespace

RegisterFindings ProbeRegister(const std::string& name, uint32_t number) {
  RegisterFindings findings;
  client::RegisterSession session(client::Target{name, number});
  findings.answered = session.open();
  if (findings.answered) ReadClockAndTape(findings);
  return findings;
}

nlohmann::json FindingsJson(const RegisterFindings& f) {
  nlohmann::json out{{"answered", f.answered}};
  if (!f.answered) return out;
  if (f.clock) {
    out["clock"] = *f.clock;
    out["pcClock"] = *f.pcClock;
    out["clockAheadSeconds"] = *f.clockAheadSeconds;
  }
  if (f.shift) {
    out["shift"] = {{"open", f.shift->open}};
    if (f.shift->open) {
      out["shift"]["openedAt"] = f.shift->openedAt;
      out["shift"]["hours"] = f.shift->hours;
      out["shift"]["overLimit"] = f.shift->hours > kShiftLimitHours;
    }
  }
  if (f.tapeEntries) {
    out["tape"] = {{"entries", *f.tapeEntries}, {"capacity", f.tapeCapacity}};
  }
  if (!f.failure.empty()) out["failure"] = f.failure;
  return out;
}

}  // namespace varnolo::cli
