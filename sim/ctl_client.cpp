#include "ctl_client.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "control_socket.h"

namespace varnolo::sim {
namespace {

using nlohmann::json;

int Usage(const std::string& message) {
  std::cerr << "varnolo-sim ctl: " << message << "\n" << kCtlUsage;
  return 2;
}

// Files are named for the simulator, which may run in another folder.
std::string Absolute(const std::string& path) {
  std::error_code ec;
  const auto p = std::filesystem::absolute(path, ec);
  return ec ? path : p.string();
}

bool Number(const std::string& s, double& out) {
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return !s.empty() && end != nullptr && *end == '\0';
}

// The JSON command for the words after the socket path, or null.
json Command(const std::vector<std::string>& w, std::string& problem) {
  const std::string& name = w[0];
  const size_t n = w.size();
  double v = 0;
  if ((name == "state" || name == "reset" || name == "clear-faults") && n == 1)
    return {{"command", name}};
  if (name == "fault" && (n == 2 || (n == 4 && w[2] == "--at" && Number(w[3], v) && v >= 0))) {
    json c{{"command", "fault"}, {"fault", w[1]}};
    if (n == 4) c["atRequest"] = static_cast<uint64_t>(v);
    return c;
  }
  if (name == "tape" && n == 2 && Number(w[1], v) && v >= 0)
    return {{"command", "tape"}, {"entries", static_cast<uint64_t>(v)}};
  if (name == "open-shift" && n == 2) return {{"command", "open-shift"}, {"at", w[1]}};
  if (name == "open-shift" && n == 3 && w[1] == "--hours-ago" && Number(w[2], v))
    return {{"command", "open-shift"}, {"hoursAgo", v}};
  if (name == "drawer" && n == 2 && Number(w[1], v)) return {{"command", "drawer"}, {"cash", v}};
  if ((name == "save" || name == "load" || name == "scenario") && n == 2)
    return {{"command", name}, {"path", Absolute(w[1])}};
  if (name == "json" && n == 2) {
    json c = json::parse(w[1], nullptr, false);
    if (!c.is_discarded()) return c;
    problem = "not valid JSON: " + w[1];
    return nullptr;
  }
  problem = "bad command '" + name + "' or its arguments";
  return nullptr;
}

}  // namespace

const char* const kCtlUsage = R"(usage: varnolo-sim ctl SOCKET COMMAND [ARGUMENTS]

Sends one command to a running simulator's control channel (--control SOCKET)
and prints its JSON answer. Commands:
  state                         the register's state, counters and pending faults
  fault FAULT [--at N]          add a fault (the --fault syntax); with --at it
                                waits until the simulator has received N requests
  clear-faults                  drop every pending fault
  reset                         back to the factory image; pending faults dropped
  tape N                        make the control tape hold N entries
  open-shift YYYY-MM-DDTHH:MM:SS   a shift open since then (the register's clock)
  open-shift --hours-ago H      a shift open for H hours
  drawer AMOUNT                 set the drawer cash
  scenario FILE                 apply a scenario file (see --scenario)
  save FILE | load FILE         write or read a snapshot of the register's memory
  json '{"command": ...}'       send a command written in JSON
Exit status: 0 done, 1 refused (the answer says why), 2 bad usage, 3 no simulator.
)";

int RunCtl(int argc, char** argv) {
  if (argc >= 1 && (std::string(argv[0]) == "--help" || std::string(argv[0]) == "-h")) {
    std::cout << kCtlUsage;
    return 0;
  }
  if (argc < 2) return Usage("needs a socket path and a command");
  const std::string socket = argv[0];
  const std::vector<std::string> words(argv + 1, argv + argc);
  std::string problem;
  const json command = Command(words, problem);
  if (command.is_null()) return Usage(problem);
  std::string answer;
  std::string error;
  if (!SendControlLine(socket, command.dump(), &answer, &error)) {
    std::cerr << "varnolo-sim ctl: " << error << "\n";
    return 3;
  }
  std::cout << answer << "\n";
  const json a = json::parse(answer, nullptr, false);
  return !a.is_discarded() && a.value("ok", false) ? 0 : 1;
}

}  // namespace varnolo::sim
