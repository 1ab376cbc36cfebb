// Numbers as people write them, read whole: "10.50" and "3", never "3x" or "".
#pragma once

#include <cstdint>
#include <string>

namespace varnolo::cli {

bool ParseDecimal(const std::string& text, double& out);
bool ParseWhole(const std::string& text, uint32_t& out);

}  // namespace varnolo::cli
