// How a port is named in every face: "COM1" or "COM2" (in any case) are the
// library's own two ports; anything else is a device path, which the library
// opens as its COM1 when VARNOLO_COM1 names it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnolo::client {

struct PortChoice {
  int32_t selector = 0;  // CRInitInterface's port: 0 COM1, 1 COM2
  std::string device;    // the path VARNOLO_COM1 names, empty for the library's own port
};

// Nothing, and `error` says why, for a name that names no port.
std::optional<PortChoice> ResolvePort(std::string_view name, std::string* error = nullptr);

}  // namespace varnolo::client
