#include "parse_number.h"

#include <charconv>
#include <cmath>

namespace varnolo::cli {

bool ParseDecimal(const std::string& text, double& out) {
  if (text.empty() || text[0] == '+') return false;
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || at != end || !std::isfinite(value)) return false;
  out = value;
  return true;
}

bool ParseWhole(const std::string& text, uint32_t& out) {
  if (text.empty()) return false;
  uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || at != end) return false;
  out = value;
  return true;
}

}  // namespace varnolo::cli
