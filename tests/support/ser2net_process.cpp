#include "support/ser2net_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/child_process.h"

namespace varnolo::test {
namespace {

constexpr const char* kSer2Net = "/usr/sbin/ser2net";

}  // namespace

bool Ser2NetInstalled() { return access(kSer2Net, X_OK) == 0; }

uint16_t FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
    close(fd);
    throw std::runtime_error("no free loopback port");
  }
  close(fd);
  return ntohs(a.sin_port);
}

bool ListensOnLoopback(uint16_t port) {
  char local[32];
  std::snprintf(local, sizeof local, "0100007F:%04X", port);
  std::ifstream in("/proc/net/tcp");
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string slot, address, remote, state;
    fields >> slot >> address >> remote >> state;
    if (address == local && state == "0A") return true;  // 0A: LISTEN
  }
  return false;
}

Ser2NetProcess::Ser2NetProcess(const std::string& device)
    : dir_(MakeTempDir("varnolo-ser2net")),
      tcpPort_(FreeLoopbackPort()),
      telnetPort_(FreeLoopbackPort()) {
  // chardelay off: ser2net would otherwise hold each byte back for a while
  // in the hope of sending several together.
  std::ofstream yaml(dir_ + "/ser2net.yaml");
  yaml << "connection: &raw\n"
       << "  accepter: tcp,127.0.0.1," << tcpPort_ << "\n"
       << "  connector: serialdev," << device << ",9600n81,local\n"
       << "  options:\n    chardelay: false\n"
       << "connection: &telnet\n"
       << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << telnetPort_ << "\n"
       << "  connector: serialdev," << device << ",9600n81,local\n"
       << "  options:\n    chardelay: false\n";
  yaml.close();
  Start();
}

Ser2NetProcess::~Ser2NetProcess() {
  Kill();
  for (const char* file : {"/ser2net.yaml", "/ser2net.log", "/ser2net.pid"})
    std::remove((dir_ + file).c_str());
  rmdir(dir_.c_str());
}

void Ser2NetProcess::Start() {
  if (pid_ > 0) return;
  pid_ =
      StartChild({kSer2Net, "-n", "-d", "-P", dir_ + "/ser2net.pid", "-c", dir_ + "/ser2net.yaml"},
                 dir_, dir_ + "/ser2net.log");
  for (int i = 0; i < 500; ++i) {
    if (ListensOnLoopback(tcpPort_) && ListensOnLoopback(telnetPort_)) return;
    if (!ChildRunning(pid_)) {
      pid_ = -1;
      throw std::runtime_error("ser2net exited at start: see " + dir_ + "/ser2net.log");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  throw std::runtime_error("ser2net did not start listening");
}

void Ser2NetProcess::Kill() {
  if (pid_ <= 0) return;
  StopChild(pid_, SIGKILL);
  pid_ = -1;
}

}  // namespace varnolo::test
