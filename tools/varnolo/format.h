// Amounts and clock times as the tool prints them.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "register_json.h"
#include "varnolo.h"

namespace varnolo::cli {

using client::Cents;
std::string Money(double v);
std::string ClockText(const TimeDate& t);
// This computer's local time, as a register's clock keeps it.
TimeDate LocalTimeNow();
// "2026-12-31 23:59:00"; false when the text is not such a time or the day
// does not exist (2026-02-30).
bool ParseClock(const std::string& text, TimeDate& out);
// The six settings, copied out of the packed record before they meet a
// reference.
nlohmann::json ConfigurationJson(const RegisterConfiguration& config);

}  // namespace varnolo::cli
