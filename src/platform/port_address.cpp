#include "platform/port_address.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace varnolo {
namespace {

constexpr std::string_view kTcp = "tcp://";
constexpr std::string_view kTelnet = "rfc2217://";
constexpr std::string_view kForm = "a network port is tcp://HOST:PORT or rfc2217://HOST:PORT";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

bool HostCharacterAllowed(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) != 0 || c == '-' || c == '.' || c == '_';
}

std::optional<NetworkAddress> Fail(std::string_view name, std::string_view what,
                                   std::string* error) {
  if (error != nullptr) {
    *error = std::string(name) + ": " + std::string(what) + " (" + std::string(kForm) + ")";
  }
  return std::nullopt;
}

}  // namespace

std::string NetworkAddress::Name() const {
  std::string name(telnet ? kTelnet : kTcp);
  if (host.find(':') != std::string::npos) {
    name += '[' + host + ']';
  } else {
    name += host;
  }
  return name + ':' + std::to_string(port);
}

bool IsNetworkPortName(std::string_view name) {
  return StartsWithNoCase(name, kTcp) || StartsWithNoCase(name, kTelnet);
}

std::optional<NetworkAddress> ParseNetworkPortName(std::string_view name, std::string* error) {
  NetworkAddress address;
  std::string_view rest;
  if (StartsWithNoCase(name, kTcp)) {
    rest = name.substr(kTcp.size());
  } else if (StartsWithNoCase(name, kTelnet)) {
    address.telnet = true;
    rest = name.substr(kTelnet.size());
  } else {
    return Fail(name, "not a network name", error);
  }

  std::string_view host;
  std::string_view port;
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close == std::string_view::npos)
      return Fail(name, "the [ of the host is not closed", error);
    host = rest.substr(1, close - 1);
    rest = rest.substr(close + 1);
    if (host.empty() || !std::all_of(host.begin(), host.end(), [](char c) {
          return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
        })) {
      return Fail(name, "the host in brackets is not an IPv6 address", error);
    }
    if (rest.empty()) return Fail(name, "the port number is missing", error);
    if (rest.front() != ':')
      return Fail(name, "the host is followed by something other than :PORT", error);
    port = rest.substr(1);
  } else {
    const size_t colon = rest.rfind(':');
    host = rest.substr(0, colon == std::string_view::npos ? rest.size() : colon);
    if (host.empty()) return Fail(name, "the host is missing", error);
    if (!std::all_of(host.begin(), host.end(), HostCharacterAllowed)) {
      return Fail(name, "the host may hold letters, digits, '-', '.' and '_' only", error);
    }
    if (colon == std::string_view::npos) return Fail(name, "the port number is missing", error);
    port = rest.substr(colon + 1);
  }

  if (port.empty()) return Fail(name, "the port number is missing", error);
  if (port.size() > 5 || !std::all_of(port.begin(), port.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
      })) {
    return Fail(name, "the port number is not a number from 1 to 65535", error);
  }
  const long number = std::strtol(std::string(port).c_str(), nullptr, 10);
  if (number < 1 || number > 65535) {
    return Fail(name, "the port number is not a number from 1 to 65535", error);
  }
  address.host = std::string(host);
  address.port = static_cast<uint16_t>(number);
  return address;
}

}  // namespace varnolo
