// The varnolo tool run against a varnolo-sim of its own: its exit code, its
// standard output apart from its standard error, and the simulator's paper
// log and trace for what the register really did.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/sim_process.h"

namespace varnolo::test {

struct CliRun {
  int exit = -1;
  std::string out;  // standard output
  std::string err;  // standard error
  nlohmann::json Json() const { return nlohmann::json::parse(out); }
};

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The rest of the line that starts with `label` and blanks: "cash in   100.00".
inline std::string LineValue(const std::string& text, const std::string& label) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(label + " ", 0) != 0) continue;
    const size_t at = line.find_first_not_of(' ', label.size());
    return at == std::string::npos ? "" : line.substr(at);
  }
  return "(no line " + label + ")";
}

class CliAgainstSim {
 public:
  explicit CliAgainstSim(std::vector<std::string> simArgs) : sim_(WithFiles(std::move(simArgs))) {}

  std::string Command(const std::string& args) const {
    return environment_ + std::string(VARNOLO_CLI_PATH) + " --port '" +
           (port_.empty() ? sim_.link() : port_) + "' " + args;
  }
  // The tool reaches the register by this name from now on (a device server's).
  void UsePort(const std::string& port) { port_ = port; }
  // The tool's byte trace, in the simulator's folder.
  void TraceTheLibrary() { environment_ += "env VARNOLO_TRACE=" + LibraryTracePath() + " "; }
  std::string LibraryTracePath() const { return sim_.File("library-trace.txt"); }
  // A tool that has not ended after `seconds` is stopped and exits 124.
  void LimitTime(int seconds) { environment_ += "timeout " + std::to_string(seconds) + " "; }
  CliRun Run(const std::string& args) const {
    CliRun r;
    const std::string errFile = sim_.File("stderr.txt");
    std::string out;
    r.exit = RunCommand("{ " + Command(args) + " 2>" + errFile + "; }", &out);
    r.out = out;
    r.err = ReadText(errFile);
    return r;
  }
  // Starts the tool, sends it `signal` once `ready` holds (polled, for at
  // most 20 s), and waits for it to end.
  CliRun RunAndSignal(const std::string& args, int signal,
                      const std::function<bool()>& ready) const {
    return RunAndAct(args, ready, [signal](pid_t tool) { kill(tool, signal); });
  }
  // Starts the tool, does `act` (given the tool's pid) once `ready` holds
  // (polled, for at most 20 s), and waits for the tool to end.
  CliRun RunAndAct(const std::string& args, const std::function<bool()>& ready,
                   const std::function<void(pid_t)>& act) const {
    const std::string outFile = sim_.File("stdout.txt"), errFile = sim_.File("stderr.txt");
    const std::string line = "exec " + Command(args) + " >" + outFile + " 2>" + errFile;
    const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
    pid_t pid = -1;
    CliRun r;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
      return r;
    for (int i = 0; i < 1000 && !ready(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    act(pid);
    int status = 0;
    waitpid(pid, &status, 0);
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadText(outFile);
    r.err = ReadText(errFile);
    return r;
  }
  std::string Paper() const { return ReadText(sim_.File("paper.txt")); }
  std::string Trace() const { return ReadText(sim_.File("trace.txt")); }
  const SimProcess& sim() const { return sim_; }

 private:
  static std::vector<std::string> WithFiles(std::vector<std::string> args) {
    for (const char* a :
         {"--paper", "paper.txt", "--trace", "trace.txt", "--image", "register.img"})
      args.push_back(a);
    return args;
  }
  SimProcess sim_;
  std::string port_;
  std::string environment_;
};

}  // namespace varnolo::test
