// varnolo-service run as a process against a varnolo-sim of its own, with an
// HTTP client, the service's log, and the simulator's paper log for what the
// register really printed.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>
#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/sim_process.h"

namespace varnolo::test {

inline const std::string kServiceToken = "test-token-7f3a9c2e1d";

inline std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline size_t CountOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Polls `done` every 20 ms for at most `ms`.
template <typename F>
bool WaitFor(F done, int ms = 20000) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

struct HttpAnswer {
  int status = -1;  // -1: no answer (the connection failed or broke)
  nlohmann::json body;
  httplib::Headers headers;
};

class ServiceAgainstSim {
 public:
  explicit ServiceAgainstSim(std::vector<std::string> simArgs = {}, bool start = true)
      : sim_(WithFiles(std::move(simArgs))) {
    std::ofstream(sim_.File("token")) << kServiceToken << "\n";
    registerPort_ = sim_.link();
    if (start) Start();
  }
  ~ServiceAgainstSim() { Stop(SIGKILL); }

  // Starts the service and waits until it listens and, when asked, until its
  // session is open.
  void Start(bool waitForSession = true) {
    const std::string log = sim_.File("service.log");
    const size_t logStart = ReadWhole(log).size();
    const std::vector<std::string> args{VARNOLO_SERVICE_PATH,
                                        "--register-port",
                                        registerPort_,
                                        "--token-file",
                                        sim_.File("token"),
                                        "--journal",
                                        sim_.File("journal.sqlite"),
                                        "--listen",
                                        "127.0.0.1:0"};
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
      close_range(3, ~0u, 0);
      if (!freopen(log.c_str(), "a", stderr)) _exit(127);
      std::vector<char*> argv;
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    static const std::regex listening("listening on 127\\.0\\.0\\.1:([0-9]+)");
    std::smatch m;
    WaitFor([&] {
      const std::string text = ReadWhole(log).substr(logStart);
      if (!std::regex_search(text, m, listening)) return false;
      port_ = std::stoi(m[1]);
      return true;
    });
    if (waitForSession) {
      WaitFor([&] { return CountOf(ReadWhole(log).substr(logStart), "session open") > 0; });
    }
  }
  // Sends the signal and waits for the process; its exit status.
  int Stop(int signal) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }
  pid_t pid() const { return pid_; }

  HttpAnswer Post(const std::string& path, const nlohmann::json& body, const std::string& key,
                  const std::string& token = kServiceToken) const {
    httplib::Headers headers;
    if (!key.empty()) headers.emplace("Idempotency-Key", key);
    if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
    return Answer(Client().Post(path.c_str(), headers, body.is_null() ? "" : body.dump(),
                                "application/json"));
  }
  HttpAnswer Get(const std::string& path, const std::string& token = kServiceToken) const {
    httplib::Headers headers;
    if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
    return Answer(Client().Get(path.c_str(), headers));
  }
  // The journal through the service, in journal order.
  nlohmann::json Journal() const { return Get("/v1/journal?limit=500").body["entries"]; }

  int port() const { return port_; }
  std::string Paper() const { return ReadWhole(sim_.File("paper.txt")); }
  std::string Log() const { return ReadWhole(sim_.File("service.log")); }
  const SimProcess& sim() const { return sim_; }
  void SetRegisterPort(const std::string& path) { registerPort_ = path; }

 private:
  httplib::Client Client() const {
    httplib::Client c("127.0.0.1", port_);
    c.set_read_timeout(60, 0);
    c.set_tcp_nodelay(true);
    return c;
  }
  static HttpAnswer Answer(const httplib::Result& r) {
    HttpAnswer a;
    if (!r) return a;
    a.status = r->status;
    a.headers = r->headers;
    a.body = nlohmann::json::parse(r->body, nullptr, false);
    return a;
  }
  static std::vector<std::string> WithFiles(std::vector<std::string> args) {
    for (const char* a : {"--paper", "paper.txt", "--image", "register.img"}) args.push_back(a);
    return args;
  }
  SimProcess sim_;
  std::string registerPort_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// A one-line receipt whose price tells it apart on the paper.
inline nlohmann::json Receipt(double price) {
  return nlohmann::json{{"lines", {{{"quantity", 1}, {"price", price}}}}};
}

}  // namespace varnolo::test
