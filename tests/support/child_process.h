// How every test starts and stops a program of its own: in a folder of its
// own, dying with the test, holding none of the test's files open.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace varnolo::test {

// Starts args[0] with its arguments in `dir`, standard output to
// `outputPath`, and standard error there too, or to the test's own with
// `shareErrors`; throws when it cannot be started.
pid_t StartChild(const std::vector<std::string>& args, const std::string& dir,
                 const std::string& outputPath, bool shareErrors = false);

// Sends `signal` and waits; the exit status as waitpid gives it.
int StopChild(pid_t pid, int signal);

// True while the process has not ended (it is reaped when it has).
bool ChildRunning(pid_t pid);

// A fresh temporary folder, e.g. MakeTempDir("varnolo-sim").
std::string MakeTempDir(const std::string& prefix);

}  // namespace varnolo::test
