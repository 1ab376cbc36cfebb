#pragma once

#include <string>

namespace varnolo::sim {

// Text printed by the register (code page 866) as UTF-8.
std::string Cp866ToUtf8(const std::string& text);
// UTF-8 text as the register stores it (code page 866); '~' and '^' become the
// line breaks 0x01 and 0x02, characters the code page lacks become '?'.
std::string Utf8ToCp866(const std::string& text);

}  // namespace varnolo::sim
