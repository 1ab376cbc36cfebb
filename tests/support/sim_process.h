// varnolo-sim as a child process on a pseudo-terminal, for end-to-end tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace varnolo::test {

class SimProcess {
 public:
  // Starts varnolo-sim --pty --link DIR/tty with the extra arguments; waits
  // until the link is there. The working folder is a fresh temporary one.
  explicit SimProcess(std::vector<std::string> extraArgs = {});
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& link() const { return link_; }
  const std::string& dir() const { return dir_; }
  std::string File(const std::string& name) const { return dir_ + "/" + name; }
  // Points VARNOLO_COM1 at the simulator's line.
  void BecomeCom1() const;
  // Stops the process with a signal and waits; returns its exit status.
  int Stop(int signal);
  bool running() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  std::string dir_;
  std::string link_;
};

// Runs a command line, returns its exit code; output captured in *out.
int RunCommand(const std::string& command, std::string* out);

// The path of the built varnolo-sim.
const char* SimulatorPath();

// Reads one memory byte from a saved register image.
// space: 0 data, 1 working, 2 goods, 3 flags.
int ImageByte(const std::string& imagePath, int space, size_t address);

}  // namespace varnolo::test
