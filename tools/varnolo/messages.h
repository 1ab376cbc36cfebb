#pragma once

#include <cstdint>
#include <string>

namespace varnolo::cli {

// A result code in words, for people.
std::string DescribeResult(int32_t code);

}  // namespace varnolo::cli
