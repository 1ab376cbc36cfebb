// Scenarios: a register's starting state described in JSON (configuration,
// taxes, names, goods, an open shift, drawer cash, a filled tape) and faults
// scheduled by request count. Read by --scenario and by the control channel.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "register.h"

namespace varnolo::sim {

// Applies a scenario to the register. On error returns false with a reason;
// what was applied before the error stays applied.
bool ApplyScenario(Register& reg, const nlohmann::json& scenario, std::string* error);
bool ApplyScenarioFile(Register& reg, const std::string& path, std::string* error);

// "2026-12-09T08:00:00" or "2026-12-09 08:00:00" (the register's clock, UTC)
// as seconds since 1970.
bool ParseRegisterTime(const std::string& text, int64_t& seconds);
std::string FormatRegisterTime(int64_t seconds);

// A fault from "drop@0x0701" or {"fault": "drop", "atRequest": 40}.
bool FaultFromJson(const nlohmann::json& j, Fault& fault, std::string* error);

}  // namespace varnolo::sim
