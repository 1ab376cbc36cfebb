// The register behind Debian's ser2net: the tool over raw TCP and over
// RFC 2217, a device server that goes away while the register prints, and
// names and servers that lead nowhere.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cli_fixture.h"
#include "support/ser2net_process.h"

namespace varnolo::test {
namespace {

class OverSer2Net : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { ASSERT_TRUE(Ser2NetInstalled()) << "scripts/setup installs ser2net"; }
  std::string Url(const Ser2NetProcess& s2n) const {
    return std::string(GetParam()) == "tcp" ? s2n.TcpUrl() : s2n.TelnetUrl();
  }
};

// The session's first read (address 0x1FFF) is answered with 0xFF bytes in
// its header: a Telnet link that does not double them fails right there.
// The simulator takes as long as a 9600-baud line would.
TEST_P(OverSer2Net, ReadsTheStatusAndPrintsASale) {
  CliAgainstSim cli({"--baud", "9600"});
  Ser2NetProcess s2n(cli.sim().link());
  cli.UsePort(Url(s2n));
  cli.TraceTheLibrary();

  const CliRun status = cli.Run("status");
  ASSERT_EQ(status.exit, 0) << status.out << status.err;
  EXPECT_EQ(LineValue(status.out, "register"), "1") << status.out;
  EXPECT_EQ(LineValue(status.out, "shift"), "closed") << status.out;

  const CliRun sale = cli.Run("--json sell '1*5'");
  ASSERT_EQ(sale.exit, 0) << sale.out << sale.err;
  EXPECT_EQ(sale.Json()["registered"], true);
  EXPECT_EQ(Occurrences(cli.Paper(), "SALE"), 1u) << cli.Paper();

  const std::string trace = ReadText(cli.LibraryTracePath());
  EXPECT_EQ(Occurrences(trace, "# connected to " + Url(s2n)), 2u) << trace;
  EXPECT_EQ(trace.find("did not take the com-port option"), std::string::npos) << trace;
  EXPECT_EQ(trace.find("no reply"), std::string::npos) << trace;
}

// The device server dies while the register prints and holds its answer
// back; it comes back a moment later. The tool must not call the sale
// unregistered, and the next sale prints once.
TEST_P(OverSer2Net, ADeviceServerLostWhileTheRegisterPrintsNeverGivesAFalseNotRegistered) {
  CliAgainstSim cli({"--fault", "delay:2000@0x0701+1"});
  Ser2NetProcess s2n(cli.sim().link());
  cli.UsePort(Url(s2n));
  cli.TraceTheLibrary();

  const CliRun run = cli.RunAndAct(
      "--json sell '1*5'", [&] { return cli.Paper().find("SALE") != std::string::npos; },
      [&](pid_t) {
        s2n.Kill();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        s2n.Start();
      });
  EXPECT_NE(run.exit, 1) << "a printed sale called not registered: " << run.out << run.err;
  EXPECT_NE(run.Json()["registered"], false) << run.out;
  EXPECT_EQ(Occurrences(cli.Paper(), "SALE"), 1u) << cli.Paper();
  const std::string trace = ReadText(cli.LibraryTracePath());
  EXPECT_NE(trace.find("dropped"), std::string::npos) << trace;
  EXPECT_NE(trace.find("# reconnected to " + Url(s2n)), std::string::npos) << trace;

  const CliRun next = cli.Run("--json sell '1*7'");
  EXPECT_EQ(next.exit, 0) << next.out << next.err;
  EXPECT_EQ(Occurrences(cli.Paper(), "SALE"), 2u) << cli.Paper();
}

INSTANTIATE_TEST_SUITE_P(Schemes, OverSer2Net, ::testing::Values("tcp", "rfc2217"),
                         [](const auto& p) { return std::string(p.param); });

// A listening socket that takes connections into its backlog and never
// answers a byte.
class SilentServer {
 public:
  SilentServer() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd_, 8);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
  }
  ~SilentServer() { close(fd_); }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  uint16_t port() const { return port_; }

 private:
  int fd_;
  uint16_t port_ = 0;
};

struct NowhereCase {
  const char* name;
  std::string port;
  int exit;
  std::string says;  // on standard error
};

class NetworkNowhere : public ::testing::TestWithParam<NowhereCase> {};

// Each a clear message, and none hangs: `timeout` would end a hung tool
// with 124.
TEST_P(NetworkNowhere, SaysWhatIsWrongAndDoesNotHang) {
  CliAgainstSim cli({});
  static SilentServer silent;
  std::string port = GetParam().port;
  if (port == "silent") port = "tcp://127.0.0.1:" + std::to_string(silent.port());
  if (port == "refused") port = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort());
  cli.UsePort(port);
  cli.TraceTheLibrary();
  cli.LimitTime(30);
  const CliRun run = cli.Run("status");
  EXPECT_EQ(run.exit, GetParam().exit) << run.out << run.err;
  EXPECT_NE(run.err.find(GetParam().says), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NetworkNowhere,
    ::testing::Values(
        NowhereCase{"Refused", "refused", 3, "no register 1 answered on tcp://127.0.0.1:"},
        NowhereCase{"UnknownHost", "tcp://nosuch-till.invalid:7701", 3,
                    "no register 1 answered on tcp://nosuch-till.invalid:7701"},
        NowhereCase{"NeverAnswers", "silent", 3, "no register 1 answered on tcp://127.0.0.1:"},
        NowhereCase{"NoHost", "tcp://", 2, "tcp://: the host is missing"},
        NowhereCase{"NoPortNumber", "tcp://host", 2, "tcp://host: the port number is missing"},
        NowhereCase{"PortZero", "rfc2217://:0", 2, "rfc2217://:0: the host is missing"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace varnolo::test
