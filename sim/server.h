// Serves a simulated register on a pseudo-terminal or a real serial port.
#pragma once

#include <csignal>
#include <cstdio>
#include <string>

#include "register.h"

namespace varnolo::sim {

struct ServeOptions {
  bool pty = true;
  std::string link;    // symbolic link to the pseudo-terminal
  std::string device;  // a real serial port instead
  std::string image;   // memory saved here after every change
  std::string paper;   // receipts as UTF-8
  std::string trace;   // one line per packet
};

// Runs until *stop becomes nonzero. Returns the process exit code.
int Serve(Register& reg, const ServeOptions& options, const volatile std::sig_atomic_t* stop);

// "-> 0301 write working  addr=0F5C len=1 reg=1 data=01"
std::string DescribePacket(const char* direction, const std::vector<uint8_t>& bytes);

}  // namespace varnolo::sim
