// The control channel's commands: one JSON object in, one JSON object out.
// {"command": "fault", "fault": "drop@0x0701"} -> {"ok": true, ...}
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "register.h"

namespace varnolo::sim {

nlohmann::json RunControlCommand(Register& reg, const nlohmann::json& command);
// One line of JSON in, one line out (without the line break).
std::string RunControlLine(Register& reg, const std::string& line);

}  // namespace varnolo::sim
