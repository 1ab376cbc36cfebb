// varnolo-sim ctl PATH COMMAND...: the control channel from a shell script.
#pragma once

namespace varnolo::sim {

extern const char* const kCtlUsage;
// argv[0] is the first word after "ctl". Prints the answer; returns the exit
// code: 0 done, 1 refused by the simulator, 2 bad usage, 3 no simulator.
int RunCtl(int argc, char** argv);

}  // namespace varnolo::sim
