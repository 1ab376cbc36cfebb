// The terminal speaks UTF-8; the library speaks the Windows ANSI code page 1251.
#pragma once

#include <string>

namespace varnolo::client {

std::string ToAnsi(const std::string& utf8);
std::string FromAnsi(const std::string& ansi);

}  // namespace varnolo::client
