// A register behind a device server: the Telnet com-port layer byte by byte,
// and the port's connection kept across drops, on the virtual clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/network_serial_port.h"
#include "platform/telnet_com_port.h"
#include "platform/trace_file.h"
#include "support/fake_platform.h"

namespace varnolo {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t IAC = TelnetComPort::kIac;
constexpr uint8_t WILL = TelnetComPort::kWill;
constexpr uint8_t WONT = TelnetComPort::kWont;
constexpr uint8_t DO = TelnetComPort::kDo;
constexpr uint8_t DONT = TelnetComPort::kDont;
constexpr uint8_t SB = TelnetComPort::kSb;
constexpr uint8_t SE = TelnetComPort::kSe;
constexpr uint8_t COM_PORT = TelnetComPort::kComPort;
constexpr uint8_t BINARY = TelnetComPort::kBinary;
constexpr uint8_t ECHO = 1;

TEST(TelnetComPort, DoublesTheLinesFfBytesOnTheWayOut) {
  EXPECT_EQ(TelnetComPort::Encode(Bytes{0x01, 0xFF, 0x1F, 0xFF, 0xFF}),
            (Bytes{0x01, 0xFF, 0xFF, 0x1F, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(TelnetComPort, SetsTheLineTo9600EightNoneOneAndPurgesTheServersInput) {
  TelnetComPort t;
  EXPECT_EQ(t.LineSettings(), (Bytes{IAC, SB, COM_PORT, 1, 0x00, 0x00, 0x25, 0x80, IAC, SE,  //
                                     IAC, SB, COM_PORT, 2, 8,    IAC,  SE,                   //
                                     IAC, SB, COM_PORT, 3, 1,    IAC,  SE,                   //
                                     IAC, SB, COM_PORT, 4, 1,    IAC,  SE,                   //
                                     IAC, SB, COM_PORT, 5, 1,    IAC,  SE}));
  EXPECT_EQ(t.PurgeReceived(), (Bytes{IAC, SB, COM_PORT, 12, 1, IAC, SE}));
}

// What comes from the server in pieces, what the line gets and what is said back.
struct DecodeCase {
  const char* name;
  std::vector<Bytes> pieces;
  Bytes line;
  Bytes answer;
};

class TelnetDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(TelnetDecode, TakesTheLinesBytesAndAnswersTheNegotiation) {
  TelnetComPort t;
  t.Greeting();
  Bytes line;
  Bytes answer;
  for (const Bytes& piece : GetParam().pieces) t.Decode(piece, line, answer);
  EXPECT_EQ(line, GetParam().line);
  EXPECT_EQ(answer, GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TelnetDecode,
    ::testing::Values(
        DecodeCase{"plain", {{0x01, 0x02}}, {0x01, 0x02}, {}},
        // The session's first read (address 0x1FFF) answers with 0xFF bytes.
        DecodeCase{"doubled_ff", {{0x05, IAC, IAC, 0x06}}, {0x05, 0xFF, 0x06}, {}},
        DecodeCase{"doubled_ff_split", {{0x05, IAC}, {IAC, 0x06}}, {0x05, 0xFF, 0x06}, {}},
        DecodeCase{"agreement_is_not_answered",
                   {{IAC, DO, COM_PORT, IAC, WILL, BINARY, IAC, DO, BINARY}},
                   {},
                   {}},
        DecodeCase{"unknown_options_refused_once_each",
                   {{IAC, WILL, ECHO, IAC, DO, ECHO, IAC, DO, 24}},
                   {},
                   {IAC, DONT, ECHO, IAC, WONT, ECHO, IAC, WONT, 24}},
        DecodeCase{"subnegotiation_dropped_with_ff_inside",
                   {{0x07, IAC, SB, COM_PORT, 101, 0x00, IAC}, {IAC, 0x25, IAC, SE, 0x08}},
                   {0x07, 0x08},
                   {}},
        DecodeCase{"command_split_between_pieces",
                   {{IAC}, {WILL}, {ECHO, 0x09}},
                   {0x09},
                   {IAC, DONT, ECHO}},
        DecodeCase{"nop_carries_nothing", {{IAC, 241, 0x0A}}, {0x0A}, {}},
        DecodeCase{"agreed_then_withdrawn",
                   {{IAC, DO, COM_PORT, IAC, DONT, COM_PORT}},
                   {},
                   {IAC, WONT, COM_PORT}}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(TelnetComPort, KnowsWhenTheServerTakesOrRefusesTheComPortOption) {
  TelnetComPort agreed;
  Bytes line, answer;
  agreed.Greeting();
  agreed.Decode(Bytes{IAC, DO, COM_PORT}, line, answer);
  EXPECT_TRUE(agreed.ComPortAgreed());
  TelnetComPort refused;
  refused.Greeting();
  refused.Decode(Bytes{IAC, DONT, COM_PORT}, line, answer);
  EXPECT_FALSE(refused.ComPortAgreed());
  EXPECT_TRUE(refused.ComPortRefused());
  EXPECT_TRUE(answer.empty()) << "a refusal of this end's own request is not answered";
}

// One connection of the fake server: what it will hand over, and what it got.
struct FakeLink {
  std::deque<Bytes> toClient;
  bool closeWhenEmpty = false;  // the server goes once it has sent everything
  Bytes sent;
  bool failSends = false;
};

class FakeConnection final : public Connection {
 public:
  explicit FakeConnection(std::shared_ptr<FakeLink> link) : link_(std::move(link)) {}
  bool Send(std::span<const uint8_t> bytes) override {
    if (link_->failSends) return false;
    link_->sent.insert(link_->sent.end(), bytes.begin(), bytes.end());
    return true;
  }
  Received Receive(std::span<uint8_t> bytes, uint32_t waitMs) override {
    if (!link_->toClient.empty()) {
      Bytes& next = link_->toClient.front();
      const size_t n = std::min(bytes.size(), next.size());
      std::copy_n(next.begin(), n, bytes.begin());
      next.erase(next.begin(), next.begin() + static_cast<std::ptrdiff_t>(n));
      if (next.empty()) link_->toClient.pop_front();
      return {n, false};
    }
    if (link_->closeWhenEmpty) return {0, true};
    CurrentPlatform().SleepMs(waitMs);  // nothing comes: the wait passes on the virtual clock
    return {0, false};
  }

 private:
  std::shared_ptr<FakeLink> link_;
};

// A device server that hands out the prepared connections in order, and
// refuses once they are used up.
class NetworkPortTest : public ::testing::Test {
 protected:
  NetworkPortTest() {
    trace_ = std::filesystem::temp_directory_path() /
             ("varnolo-network-trace-" + std::to_string(::getpid()) + ".txt");
    std::filesystem::remove(trace_);
    ::setenv("VARNOLO_TRACE", trace_.c_str(), 1);
    TheTrace().Open();
  }
  ~NetworkPortTest() override {
    TheTrace().Close();
    ::unsetenv("VARNOLO_TRACE");
    std::filesystem::remove(trace_);
  }

  std::shared_ptr<FakeLink> Prepare() {
    links_.push_back(std::make_shared<FakeLink>());
    return links_.back();
  }

  std::unique_ptr<SerialPort> Open(bool telnet = false) {
    NetworkAddress address{telnet, "till-3", 7701};
    return OpenNetworkSerialPort(address,
                                 [this](const NetworkAddress&, uint32_t budget,
                                        std::string* why) -> std::unique_ptr<Connection> {
                                   budgets_.push_back(budget);
                                   if (connects_ >= links_.size()) {
                                     *why = "Connection refused";
                                     return nullptr;
                                   }
                                   return std::make_unique<FakeConnection>(links_[connects_++]);
                                 });
  }

  // The trace's lines without their time stamps.
  std::vector<std::string> TraceLines() const {
    std::ifstream in(trace_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
      lines.push_back(line.substr(line.find(' ') + 1));
    return lines;
  }

  test::ScopedFakePlatform platform_;
  std::filesystem::path trace_;
  std::vector<std::shared_ptr<FakeLink>> links_;
  std::vector<uint32_t> budgets_;
  size_t connects_ = 0;
};

TEST_F(NetworkPortTest, ARefusedFirstConnectionOpensNothingAndSaysWhy) {
  EXPECT_EQ(Open(), nullptr);
  EXPECT_EQ(budgets_, std::vector<uint32_t>{kConnectBudgetMs});
  EXPECT_EQ(TraceLines(),
            std::vector<std::string>{"# cannot connect to tcp://till-3:7701: Connection refused"});
}

TEST_F(NetworkPortTest, ReadsAndWritesTheLinesBytesAsTheyAre) {
  auto link = Prepare();
  auto port = Open();
  ASSERT_NE(port, nullptr);
  link->toClient = {{0x01, 0xFF}, {0x03}};
  port->Write(Bytes{0xFF, 0x10});
  Bytes in(3);
  EXPECT_EQ(port->Read(in, 100), 3u);
  EXPECT_EQ(in, (Bytes{0x01, 0xFF, 0x03}));
  EXPECT_EQ(link->sent, (Bytes{0xFF, 0x10}));
}

TEST_F(NetworkPortTest, ASilentServerCostsTheReadsTimeoutAndNoMore) {
  Prepare();
  auto port = Open();
  const uint64_t start = platform_->NowMs();
  Bytes in(5);
  EXPECT_EQ(port->Read(in, 200), 0u);
  EXPECT_EQ(platform_->NowMs() - start, 205u) << "the timeout plus 1 ms per byte asked for";
}

TEST_F(NetworkPortTest, AConnectionLostBetweenExchangesIsMadeAgainOnceAtTheNextExchange) {
  auto first = Prepare();
  auto second = Prepare();
  auto port = Open();
  first->closeWhenEmpty = true;  // the device server restarts between two calls
  port->DiscardInput();
  ASSERT_EQ(connects_, 2u);
  port->Write(Bytes{0x42});
  second->toClient = {{0x06}};
  Bytes in(1);
  EXPECT_EQ(port->Read(in, 100), 1u);
  EXPECT_TRUE(first->sent.empty());
  EXPECT_EQ(second->sent, Bytes{0x42});
  EXPECT_EQ(TraceLines(), (std::vector<std::string>{"# connected to tcp://till-3:7701",
                                                    "# connection to tcp://till-3:7701 dropped",
                                                    "# reconnected to tcp://till-3:7701"}));
}

TEST_F(NetworkPortTest, ADropInTheMiddleOfAnExchangeLosesTheReplyAndSendsNothingAgain) {
  auto first = Prepare();
  auto second = Prepare();
  auto port = Open();
  port->DiscardInput();
  port->Write(Bytes{0x11, 0x22});
  first->toClient = {{0x01, 0x02}};
  first->closeWhenEmpty = true;  // half the reply, then the server goes
  Bytes in(5);
  EXPECT_EQ(port->Read(in, 9000), 2u);
  EXPECT_EQ(connects_, 1u) << "no reconnection inside an exchange";
  // A read after the drop does not wait for a reply that cannot come.
  const uint64_t before = platform_->NowMs();
  EXPECT_EQ(port->Read(in, 9000), 0u);
  EXPECT_EQ(platform_->NowMs(), before);

  port->DiscardInput();  // the next exchange
  port->Write(Bytes{0x33});
  EXPECT_EQ(first->sent, (Bytes{0x11, 0x22}));
  EXPECT_EQ(second->sent, Bytes{0x33}) << "the request before the drop is never sent again";
}

TEST_F(NetworkPortTest, AFailedReconnectionIsTriedOncePerExchange) {
  auto first = Prepare();
  auto port = Open();
  first->failSends = true;
  port->Write(Bytes{0x01});  // the server has gone: the write finds out
  for (int exchange = 0; exchange < 3; ++exchange) {
    port->DiscardInput();
    port->Write(Bytes{0x02});
    Bytes in(1);
    EXPECT_EQ(port->Read(in, 500), 0u);
  }
  EXPECT_EQ(budgets_.size(), 4u) << "the first connection and one try per exchange";
  const std::vector<std::string> lines = TraceLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "# cannot reconnect to tcp://till-3:7701: Connection refused"),
            3);
}

TEST_F(NetworkPortTest, LateBytesAreDroppedAsTheNextExchangeBegins) {
  auto link = Prepare();
  auto port = Open();
  link->toClient = {{0xAA, 0xBB}, {0xCC}};
  port->DiscardInput();
  link->toClient = {{0x01}};
  Bytes in(1);
  EXPECT_EQ(port->Read(in, 100), 1u);
  EXPECT_EQ(in, Bytes{0x01});
}

TEST_F(NetworkPortTest, TelnetSetsTheLineOnceTheServerTakesTheOptionAndPurgesAtEachExchange) {
  auto link = Prepare();
  link->toClient = {{IAC, DO, COM_PORT, IAC, WILL, ECHO, IAC, DO, BINARY}};
  auto port = Open(/*telnet=*/true);
  ASSERT_NE(port, nullptr);
  TelnetComPort expected;
  Bytes said = expected.Greeting();
  said.insert(said.end(), {IAC, DONT, ECHO});
  const Bytes settings = expected.LineSettings();
  said.insert(said.end(), settings.begin(), settings.end());
  EXPECT_EQ(link->sent, said);

  link->sent.clear();
  port->DiscardInput();
  port->Write(Bytes{0x1F, 0xFF});
  link->toClient = {{0x00, IAC, IAC, IAC, SB, COM_PORT, 112, 1, IAC, SE, 0x07}};
  Bytes in(3);
  EXPECT_EQ(port->Read(in, 100), 3u);
  EXPECT_EQ(in, (Bytes{0x00, 0xFF, 0x07}));
  Bytes purgeThenRequest = expected.PurgeReceived();
  purgeThenRequest.insert(purgeThenRequest.end(), {0x1F, 0xFF, 0xFF});
  EXPECT_EQ(link->sent, purgeThenRequest);
}

TEST_F(NetworkPortTest, ATelnetServerWithoutTheComPortOptionIsUsedAsItIsSet) {
  auto link = Prepare();
  link->toClient = {{IAC, DONT, COM_PORT}};
  auto port = Open(/*telnet=*/true);
  ASSERT_NE(port, nullptr);
  TelnetComPort expected;
  EXPECT_EQ(link->sent, expected.Greeting()) << "no line settings for a server that refused them";
  EXPECT_EQ(TraceLines().back(),
            "# rfc2217://till-3:7701 did not take the com-port option: the line stays as the "
            "server has it");
}

}  // namespace
}  // namespace varnolo
