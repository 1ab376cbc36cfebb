// Serves a simulated register on a pseudo-terminal or a real serial port, and
// its control channel.
#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>

#include "register.h"
#include "trace.h"

namespace varnolo::sim {

struct ServeOptions {
  bool pty = true;
  std::string link;     // symbolic link to the pseudo-terminal
  std::string device;   // a real serial port instead
  std::string image;    // memory saved here after every change
  std::string paper;    // receipts as UTF-8; "-" for standard output
  std::string trace;    // one line per packet; "-" for standard output
  std::string control;  // the control channel's Unix socket
  uint32_t baud = 0;    // the line takes as long as at this speed; 0: no longer than the pty
};

// Runs until *stop becomes nonzero. Returns the process exit code.
int Serve(Register& reg, const ServeOptions& options, const volatile std::sig_atomic_t* stop);

}  // namespace varnolo::sim
