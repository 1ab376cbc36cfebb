// How a port is named in every face: "COM1" or "COM2" (in any case) are the
// library's own two ports; "tcp://HOST:PORT" and "rfc2217://HOST:PORT" a
// register behind a device server; anything else is a device path. A device
// or a server is opened as the library's COM1, with VARNOLO_COM1 naming it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnolo::client {

struct PortChoice {
  int32_t selector = 0;  // CRInitInterface's port: 0 COM1, 1 COM2
  std::string device;    // what VARNOLO_COM1 names, empty for the library's own port
};

// Nothing, and `error` says why, for a name that names no port.
std::optional<PortChoice> ResolvePort(std::string_view name, std::string* error = nullptr);

}  // namespace varnolo::client
