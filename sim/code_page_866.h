#pragma once

#include <string>

namespace varnolo::sim {

// Text printed by the register (code page 866) as UTF-8.
std::string Cp866ToUtf8(const std::string& text);

}  // namespace varnolo::sim
