#include "platform/port_opening.h"

#include "platform/network_serial_port.h"
#include "platform/port_address.h"
#include "platform/trace_file.h"

namespace varnolo {

std::string ResolvePortName(std::string_view name, const PortBackends& backends) {
  auto named = [&](const char* variable, std::string_view fallback) {
    std::string value = backends.variable(variable);
    return value.empty() ? std::string(fallback) : value;
  };
  if (name == "COM1") return named("VARNOLO_COM1", backends.com1Device);
  if (name == "COM2") return named("VARNOLO_COM2", backends.com2Device);
  return std::string(name);
}

std::unique_ptr<SerialPort> OpenPortByName(const char* name, const PortBackends& backends) {
  const std::string resolved = ResolvePortName(name != nullptr ? name : "", backends);
  if (resolved.empty()) return nullptr;
  if (!IsNetworkPortName(resolved)) return backends.openDevice(resolved);
  std::string error;
  const std::optional<NetworkAddress> address = ParseNetworkPortName(resolved, &error);
  if (!address) {
    TheTrace().Note("cannot open " + error);
    return nullptr;
  }
  return OpenNetworkSerialPort(*address, backends.connect);
}

}  // namespace varnolo
