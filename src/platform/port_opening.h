// Opening a port by name, the same on every system: the system gives its
// backends (its default devices for COM1 and COM2, how it opens a local
// device and how it connects to a device server) and this picks one.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/connection.h"
#include "platform/platform.h"

namespace varnolo {

struct PortBackends {
  std::string_view com1Device;  // what COM1 opens without VARNOLO_COM1
  std::string_view com2Device;
  // The value of an environment variable, empty when it is not set.
  std::function<std::string(const char* name)> variable;
  std::function<std::unique_ptr<SerialPort>(const std::string& device)> openDevice;
  Connector connect;
};

// What `name` opens: for "COM1" and "COM2" the value of VARNOLO_COM1 or
// VARNOLO_COM2 when it is set and not empty, otherwise the backends' default
// device; any other name as it stands.
std::string ResolvePortName(std::string_view name, const PortBackends& backends);

// Null when the port cannot be opened (the reason goes to the byte trace).
std::unique_ptr<SerialPort> OpenPortByName(const char* name, const PortBackends& backends);

}  // namespace varnolo
