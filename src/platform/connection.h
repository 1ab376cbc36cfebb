// A stream connection to a device server, as the operating system's sockets
// give it: the one thing a network serial port needs from the system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/port_address.h"

namespace varnolo {

class Connection {
 public:
  virtual ~Connection() = default;

  // Sends all bytes; false when the connection is gone.
  virtual bool Send(std::span<const uint8_t> bytes) = 0;

  struct Received {
    size_t count = 0;     // bytes placed at the start of the buffer
    bool closed = false;  // the other end has gone (nothing more will come)
  };
  // Waits up to waitMs (0: does not wait) for bytes; returns as soon as some
  // have come.
  virtual Received Receive(std::span<uint8_t> bytes, uint32_t waitMs) = 0;
};

// Opens a connection within `budgetMs` (the name lookup included); null, and
// `why` says why, when the host is unknown, refuses or does not answer.
using Connector = std::function<std::unique_ptr<Connection>(const NetworkAddress& address,
                                                            uint32_t budgetMs, std::string* why)>;

}  // namespace varnolo
