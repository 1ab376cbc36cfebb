// The serial port of a register behind a device server on the network: the
// same reads, writes and discards as on a local line, over a connection, in
// raw TCP or through a Telnet Com Port Control server.
//
// A connection that has gone between two exchanges is opened again, once, as
// the next exchange begins (when the input is discarded), so the register
// behind the server keeps its session. A connection that goes in the middle
// of an exchange leaves that exchange without its reply; nothing written
// before the drop is written again. Connects, drops and reconnects go to the
// byte trace.
#pragma once

#include <memory>

#include "platform/connection.h"
#include "platform/platform.h"

namespace varnolo {

// How long opening a connection may take, the name lookup included.
inline constexpr uint32_t kConnectBudgetMs = 3000;
// How long the Telnet server is given to agree to the com-port option.
inline constexpr uint32_t kNegotiationBudgetMs = 1000;

// Null when the first connection cannot be made.
std::unique_ptr<SerialPort> OpenNetworkSerialPort(const NetworkAddress& address, Connector connect);

}  // namespace varnolo
