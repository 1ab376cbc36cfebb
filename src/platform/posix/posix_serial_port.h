// A serial port on a POSIX terminal device: raw 9600 8N1, reads by poll().
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace varnolo {

// Null when the device cannot be opened or set up, or another session holds it.
std::unique_ptr<SerialPort> OpenPosixSerialPort(const std::string& path);

}  // namespace varnolo
