// Connections to device servers through Winsock.
#pragma once

#include "platform/connection.h"

namespace varnolo {

// A TCP connection with Nagle's delay off, opened without blocking past the
// budget (the name lookup included).
std::unique_ptr<Connection> ConnectWinsock(const NetworkAddress& address, uint32_t budgetMs,
                                           std::string* why);

}  // namespace varnolo
