// How a port is named: "COM1" and "COM2" are the library's own two ports;
// "tcp://HOST:PORT" is a register behind a
// device server that passes the line's bytes as they are, and
// "rfc2217://HOST:PORT" one behind a Telnet Com Port Control server; any other
// name is a local device. The library and every face read names through this.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnolo {

struct NetworkAddress {
  bool telnet = false;  // rfc2217:// rather than tcp://
  std::string host;     // a name or an address; an IPv6 address without brackets
  uint16_t port = 0;

  // The name it was read from, e.g. "rfc2217://[::1]:7702".
  std::string Name() const;
};

// True when the name starts with a network scheme, "tcp://" or "rfc2217://"
// (the scheme in any case), well-formed or not.
bool IsNetworkPortName(std::string_view name);

// The address a network name gives; nothing for a malformed one, and `error`
// says what is wrong with it ("tcp://host: the port number is missing ...").
std::optional<NetworkAddress> ParseNetworkPortName(std::string_view name,
                                                   std::string* error = nullptr);

}  // namespace varnolo
