// SIGINT and SIGTERM: the exchange under way is never cut off (the register
// would be left mid-document). The signal is noted; the command stops at the
// next point between calls, ends the session (which unlocks the register)
// and exits with 128 + the signal number.
#pragma once

namespace varnolo::cli {

void InstallStopHandlers();
bool StopRequested();
// 130 after SIGINT, 143 after SIGTERM; 0 when no signal came.
int StopExitCode();

}  // namespace varnolo::cli
