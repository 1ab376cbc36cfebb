#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace varnolo::test {

pid_t StartChild(const std::vector<std::string>& args, const std::string& dir,
                 const std::string& outputPath, bool shareErrors) {
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    // The child dies with the test, and holds none of the test's files open
    // (one left behind must not keep a build lock).
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    close_range(3, ~0u, 0);
    if (chdir(dir.c_str()) != 0) _exit(127);
    const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) _exit(127);
    dup2(out, 1);
    if (!shareErrors) dup2(out, 2);
    close(out);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int StopChild(pid_t pid, int signal) {
  if (pid <= 0) return -1;
  kill(pid, signal);
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

bool ChildRunning(pid_t pid) {
  int status = 0;
  return pid > 0 && waitpid(pid, &status, WNOHANG) == 0;
}

std::string MakeTempDir(const std::string& prefix) {
  std::string tmpl = "/tmp/" + prefix + "-XXXXXX";
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp");
  return tmpl;
}

}  // namespace varnolo::test
