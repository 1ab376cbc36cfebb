// doctor: whether a register answers on a port, and what a technician looks
// at first: its clock against the PC's, the shift's age against its 24-hour
// limit, and how full the control tape is.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace varnolo::cli {

struct ShiftAge {
  bool open = false;
  std::string openedAt;  // the register's clock, "2026-12-31 23:59"
  double hours = 0;
};

struct RegisterFindings {
  bool answered = false;
  std::optional<std::string> clock;          // the register's, "2026-12-31 23:59:00"
  std::optional<std::string> pcClock;        // this computer's local time then
  std::optional<int64_t> clockAheadSeconds;  // the register's clock minus the PC's
  std::optional<ShiftAge> shift;
  std::optional<int> tapeEntries;
  int tapeCapacity = 0;
  std::string failure;  // what could not be read, once it answered
};

inline constexpr double kShiftLimitHours = 24;

// Opens a session with register `number` on the port `name` (a device path or
// a network form), reads, and ends the session.
RegisterFindings ProbeRegister(const std::string& name, uint32_t number);

nlohmann::json FindingsJson(const RegisterFindings& findings);

}  // namespace varnolo::cli
