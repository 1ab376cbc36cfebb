// The register's side of a recorded byte trace, played on the simulator's
// line: each request that equals the trace's next one gets the bytes the host
// read then, after the pause it waited then (or at once). The first request
// that differs ends the replay.
#pragma once

#include <csignal>
#include <string>

#include "recorded_trace.h"
#include "server.h"

namespace varnolo::sim {

struct ReplayOptions {
  std::string tracePath;  // for the messages
  bool atOnce = false;    // send every reply without its recorded pause
};

// Runs until *stop becomes nonzero or a request differs from the trace. On a
// difference standard error names the trace line, the request expected and
// the request received, in hex and decoded. The exit code: 0 when the trace
// was played to its end, 1 when a request differed, another came after the
// end, the replay was stopped before the end, or the line failed.
int Replay(const RecordedTrace& trace, const ReplayOptions& options, const ServeOptions& line,
           const volatile std::sig_atomic_t* stop);

}  // namespace varnolo::sim
