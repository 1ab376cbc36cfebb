#include "support/sim_process.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
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
  char tmpl[] = "/tmp/varnolo-sim-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) throw std::runtime_error("mkdtemp");
  dir_ = tmpl;
  link_ = dir_ + "/tty";
  std::vector<std::string> args{SimulatorPath(), "--pty", "--link", link_};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // The simulator dies with the test, and holds none of the test's files
    // open (a simulator left behind must not keep a build lock).
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    close_range(3, ~0u, 0);
    if (chdir(dir_.c_str()) != 0) _exit(127);
    const std::string out = dir_ + "/stdout";
    if (!freopen(out.c_str(), "w", stdout)) _exit(127);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
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
  if (pid_ <= 0) return -1;
  kill(pid_, signal);
  int status = 0;
  waitpid(pid_, &status, 0);
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
