// The firmware table carried inside the library's own file on systems without
// Windows resources. The build generates its definition from the table rows.
#pragma once

#include <cstdint>
#include <span>

namespace varnolo {

std::span<const uint8_t> EmbeddedFirmwareTable();

}  // namespace varnolo
