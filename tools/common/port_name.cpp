#include "port_name.h"

#include <algorithm>
#include <cctype>

#include "platform/port_address.h"

namespace varnolo::client {

std::optional<PortChoice> ResolvePort(std::string_view name, std::string* error) {
  std::string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (upper == "COM1") return PortChoice{0, {}};
  if (upper == "COM2") return PortChoice{1, {}};
  if (name.empty() || name.find('\0') != std::string_view::npos) {
    if (error != nullptr)
      *error = "a port is COM1, COM2, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT";
    return std::nullopt;
  }
  if (IsNetworkPortName(name) && !ParseNetworkPortName(name, error)) return std::nullopt;
  return PortChoice{0, std::string(name)};
}

}  // namespace varnolo::client
