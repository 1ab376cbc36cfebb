#include "support/sim_process.h"

#include "support/child_process.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace varnolo::test {

const char* SimulatorPath() { return VARNOLO_SIM_PATH; }

SimProcess::SimProcess(std::vector<std::string> extraArgs) {
  dir_ = MakeTempDir("varnolo-sim");
  link_ = dir_ + "/tty";
  std::vector<std::string> args{SimulatorPath(), "--pty", "--link", link_};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  pid_ = StartChild(args, dir_, dir_ + "/stdout", /*shareErrors=*/true);
  for (int i = 0; i < 500; ++i) {
    struct stat st {};
    if (lstat(link_.c_str(), &st) == 0) return;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("varnolo-sim exited at start");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  throw std::runtime_error("varnolo-sim did not come up");
}

SimProcess::~SimProcess() {
  if (pid_ > 0) Stop(SIGTERM);
  std::string ignored;
  RunCommand("rm -rf '" + dir_ + "'", &ignored);
}

void SimProcess::BecomeCom1() const { setenv("VARNOLO_COM1", link_.c_str(), 1); }

int SimProcess::Stop(int signal) {
  const int status = StopChild(pid_, signal);
  pid_ = -1;
  return status;
}

int RunCommand(const std::string& command, std::string* out) {
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (p == nullptr) return -1;
  char buf[4096];
  out->clear();
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out->append(buf, n);
  const int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int ImageByte(const std::string& imagePath, int space, size_t address) {
  static const size_t kOffsets[] = {15, 15 + 0x8000, 15 + 0x8000 + 0x2000,
                                    15 + 0x8000 + 0x2000 + 0x8000};
  std::ifstream in(imagePath, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(kOffsets[space] + address));
  const int c = in.get();
  return in ? c : -1;
}

}  // namespace varnolo::test
