// A serial port on a POSIX terminal device: raw 9600 8N1, reads by poll().
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace varnolo {

// "COM1" and "COM2" name the devices in VARNOLO_COM1 and VARNOLO_COM2
// (default /dev/ttyS0 and /dev/ttyS1), read each time; anything else is a path.
std::string ResolveSerialDeviceName(const char* name);

std::unique_ptr<SerialPort> OpenPosixSerialPort(const char* name);

}  // namespace varnolo
