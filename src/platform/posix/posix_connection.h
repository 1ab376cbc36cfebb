// Connections to device servers through POSIX sockets.
#pragma once

#include "platform/connection.h"

namespace varnolo {

// A TCP connection with Nagle's delay off (the library's writes are small and
// each one is waited on), opened without blocking past the budget.
std::unique_ptr<Connection> ConnectPosix(const NetworkAddress& address, uint32_t budgetMs,
                                         std::string* why);

}  // namespace varnolo
