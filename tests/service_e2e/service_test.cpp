// varnolo-service against varnolo-sim over a pseudo-terminal: what clients
// are answered, and what the register's paper shows it printed.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <regex>
#include <set>

#include "service_fixture.h"
#include "support/ser2net_process.h"

namespace varnolo::test {
namespace {

using nlohmann::json;

// The unit prices of the sale lines on the paper, in the order printed.
std::vector<std::string> PricesOnPaper(const std::string& paper) {
  static const std::regex line("\\n  1 x ([0-9]+\\.[0-9]{2}) ");
  std::vector<std::string> prices;
  for (std::sregex_iterator it(paper.begin(), paper.end(), line), end; it != end; ++it)
    prices.push_back((*it)[1]);
  return prices;
}

std::string PriceText(double price) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", price);
  return text;
}

TEST(Service, AReceiptIsPrintedOnceUnderItsKey) {
  ServiceAgainstSim s;
  const HttpAnswer first = s.Post("/v1/receipts", Receipt(12.34), "order-1");
  ASSERT_EQ(first.status, 200) << first.body.dump();
  EXPECT_EQ(first.body["registered"], true);
  EXPECT_EQ(first.body["result"], 0);
  EXPECT_EQ(first.body["tapeCountBefore"], 0);
  EXPECT_GT(first.body["tapeCountAfter"].get<int>(), 0);
  EXPECT_EQ(first.body["verdict"], "sale check: printed");
  EXPECT_EQ(PricesOnPaper(s.Paper()), std::vector<std::string>{"12.34"}) << s.Paper();

  // The client did not hear the answer and sends it again: the register is
  // not asked, the answer is the first one.
  const HttpAnswer again = s.Post("/v1/receipts", Receipt(12.34), "order-1");
  EXPECT_EQ(again.status, 200);
  EXPECT_EQ(again.body["replayed"], true);
  EXPECT_EQ(again.body["tapeCountAfter"], first.body["tapeCountAfter"]);
  EXPECT_EQ(again.headers.find("Idempotent-Replayed")->second, "true");
  // The same key for another receipt is a client's mistake, not a new check.
  const HttpAnswer other = s.Post("/v1/receipts", Receipt(99.99), "order-1");
  EXPECT_EQ(other.status, 422) << other.body.dump();
  EXPECT_EQ(CountOf(s.Paper(), "SALE"), 1u) << s.Paper();

  // The tape through the service shows the one line.
  const HttpAnswer tape = s.Get("/v1/tape");
  ASSERT_EQ(tape.status, 200) << tape.body.dump();
  EXPECT_EQ(tape.body["entries"][0]["amount"], 12.34);
  EXPECT_EQ(tape.body["tapeCount"], first.body["tapeCountAfter"]);
}

// What every face answers alike: what the library would cut or refuse, or
// the register could not print, is 422 naming the argument, and nothing
// reaches the paper; what the library carries out is carried out.
TEST(Service, AnswersTheSameInputAsEveryFace) {
  ServiceAgainstSim s;
  const std::pair<std::string, json> refused[] = {
      {"/v1/cash-in", {{"amount", 10.999}}},
      {"/v1/cash-in", {{"amount", 100000}}},
      {"/v1/receipts", {{"lines", {{{"quantity", 1}, {"price", 10.005}}}}}},
      {"/v1/receipts", {{"lines", {{{"quantity", 1}, {"price", 5}, {"name", "€uro"}}}}}},
  };
  const char* named[] = {"amount 10.999 has more than 2 decimals (allowed: 0 to 99999.99",
                         "amount 100000 is out of range (allowed: 0 to 99999.99",
                         "price 10.005 has more than 2 decimals",
                         "name \"€uro\" holds \"€\", which the register cannot print"};
  for (size_t i = 0; i < std::size(refused); ++i) {
    const HttpAnswer r = s.Post(refused[i].first, refused[i].second, "same-" + std::to_string(i));
    EXPECT_EQ(r.status, 422) << r.body.dump();
    EXPECT_NE(r.body["error"].get<std::string>().find(named[i]), std::string::npos)
        << r.body.dump();
  }
  EXPECT_EQ(s.Paper(), "");
  ASSERT_EQ(s.Post("/v1/cash-in", {{"amount", 75000}}, "in-1").status, 200);
  ASSERT_EQ(s.Post("/v1/cash-in", {{"amount", 75000}}, "in-2").status, 200);
  const HttpAnswer out = s.Post("/v1/cash-out", {{"amount", 150000}}, "out-1");
  ASSERT_EQ(out.status, 200) << out.body.dump();
  EXPECT_EQ(out.body["verdict"], "cash out: printed");
  EXPECT_NE(s.Paper().find("150000.00"), std::string::npos) << s.Paper();
}

TEST(Service, WithoutTheTokenNothingIsPrintedAndTheTokenIsNeverLogged) {
  ServiceAgainstSim s;
  for (const std::string& token : {std::string(), std::string("wrong-token-0000000000"),
                                   kServiceToken.substr(0, kServiceToken.size() - 1)}) {
    const HttpAnswer r = s.Post("/v1/receipts", Receipt(5), "k-" + token, token);
    EXPECT_EQ(r.status, 401) << token;
    EXPECT_EQ(s.Get("/v1/totals", token).status, 401) << token;
    EXPECT_EQ(s.Get("/v1/openapi.json", token).status, 401) << token;
  }
  EXPECT_EQ(CountOf(s.Paper(), "SALE"), 0u) << s.Paper();
  // The status page is the one open door.
  EXPECT_EQ(s.Get("/", "").status, 200);
  EXPECT_EQ(s.Get("/status.json", "").body["register"]["state"], "online");
  EXPECT_EQ(s.Get("/v1/openapi.json").body["openapi"], "3.0.3");
  EXPECT_EQ(s.Log().find(kServiceToken.substr(4)), std::string::npos) << s.Log();
}

TEST(Service, RefusalsSayWhyAndPrintNothing) {
  ServiceAgainstSim s;
  // No cash in the drawer: the register refuses the cash out.
  const HttpAnswer cashOut = s.Post("/v1/cash-out", {{"amount", 10}}, "out-1");
  EXPECT_EQ(cashOut.status, 409) << cashOut.body.dump();
  EXPECT_EQ(cashOut.body["registered"], false);
  EXPECT_NE(cashOut.body["result"], 0);
  EXPECT_FALSE(cashOut.body["message"].get<std::string>().empty());
  // A misspelled key, and no key at all, never reach the register.
  const HttpAnswer misspelled =
      s.Post("/v1/receipts", {{"lines", {{{"quantity", 1}, {"price", 5}}}}, {"payd", 5}}, "k2");
  EXPECT_EQ(misspelled.status, 422);
  EXPECT_NE(misspelled.body["error"].get<std::string>().find("payd"), std::string::npos);
  EXPECT_EQ(s.Post("/v1/receipts", Receipt(5), "").status, 400);
  EXPECT_EQ(s.Post("/v1/receipts", Receipt(5), "has blank").status, 400);
  // Paid less than the sum.
  json shortPaid = Receipt(50);
  shortPaid["paid"] = 10;
  const HttpAnswer refused = s.Post("/v1/receipts", shortPaid, "k3");
  EXPECT_EQ(refused.status, 409) << refused.body.dump();
  EXPECT_EQ(refused.body["result"], 268);
  EXPECT_EQ(s.Paper().find("SALE"), std::string::npos) << s.Paper();
  EXPECT_EQ(s.Paper().find("CASH OUT"), std::string::npos) << s.Paper();
  // An oversized body is refused before it is read.
  json big = Receipt(5);
  big["lines"][0]["name"] = std::string(100000, 'x');
  EXPECT_EQ(s.Post("/v1/receipts", big, "k4").status, 413);
}

TEST(Service, EightClientsFortyReceiptsEachPrintedOnceInJournalOrder) {
  ServiceAgainstSim s;
  constexpr int kClients = 8, kEach = 5;
  std::atomic<int> ok{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      for (int i = 0; i < kEach; ++i) {
        const double price = 100 + c * 10 + i + 0.01 * (c + 1);
        const std::string key = "client" + std::to_string(c) + "-" + std::to_string(i);
        if (s.Post("/v1/receipts", Receipt(price), key).status == 200) ++ok;
      }
    });
  }
  for (std::thread& t : clients) t.join();
  EXPECT_EQ(ok.load(), kClients * kEach);
  const std::vector<std::string> printed = PricesOnPaper(s.Paper());
  ASSERT_EQ(printed.size(), static_cast<size_t>(kClients * kEach)) << s.Paper();
  EXPECT_EQ(std::set<std::string>(printed.begin(), printed.end()).size(), printed.size())
      << "a receipt was printed twice";
  std::vector<std::string> journalOrder;
  for (const json& e : s.Journal())
    journalOrder.push_back(PriceText(e["request"]["body"]["lines"][0]["price"].get<double>()));
  EXPECT_EQ(journalOrder, printed);
}

TEST(Service, KilledBetweenTheJournalAndTheAnswerItPrintsTheKeyOnce) {
  // The run's answer comes 4 s late: the check is printed, the service is
  // waiting for the answer with the key written down in flight.
  ServiceAgainstSim s({"--fault", "delay:4000@0x0701+1"});
  std::thread client([&] { s.Post("/v1/receipts", Receipt(77.77), "crash-1"); });
  const bool inFlight = WaitFor([&] {
    const json j = s.Journal();
    return j.size() == 1 && j[0]["state"] == "in flight" && CountOf(s.Paper(), "SALE") == 1;
  });
  ASSERT_TRUE(inFlight) << s.Paper() << s.Journal().dump();
  s.Stop(SIGKILL);
  client.join();

  s.Start();
  const HttpAnswer replay = s.Post("/v1/receipts", Receipt(77.77), "crash-1");
  EXPECT_EQ(replay.status, 200) << replay.body.dump();
  EXPECT_EQ(replay.body["registered"], true);
  EXPECT_EQ(replay.body["settledBy"], "restart");
  EXPECT_EQ(PricesOnPaper(s.Paper()), std::vector<std::string>{"77.77"}) << s.Paper();
  // And the register is in step for the next one.
  EXPECT_EQ(s.Post("/v1/receipts", Receipt(1.5), "crash-2").status, 200);
  EXPECT_EQ(PricesOnPaper(s.Paper()), (std::vector<std::string>{"77.77", "1.50"}));
}

TEST(Service, KilledBeforeTheCheckWasPrintedTheKeyIsFreeAgain) {
  // The first exchange of the check (after the count was read and written
  // down) is answered late; the service is killed while it waits, before the
  // check was run. The restart waits out the check's run time, sees the count
  // unchanged and lets the key go: the retry prints it, once.
  ServiceAgainstSim s({"--fault", "delay:3000@0x0701"});
  std::thread client([&] { s.Post("/v1/receipts", Receipt(8.88), "early-1"); });
  ASSERT_TRUE(WaitFor([&] {
    const json j = s.Journal();
    return j.size() == 1 && j[0]["state"] == "in flight";
  }));
  s.Stop(SIGKILL);
  client.join();
  EXPECT_EQ(CountOf(s.Paper(), "SALE"), 0u) << s.Paper();
  s.Start(false);
  const HttpAnswer retry = s.Post("/v1/receipts", Receipt(8.88), "early-1");
  EXPECT_EQ(retry.status, 200) << retry.body.dump();
  EXPECT_FALSE(retry.body.contains("replayed"));
  EXPECT_EQ(PricesOnPaper(s.Paper()), std::vector<std::string>{"8.88"}) << s.Paper();
}

TEST(Service, ALostRunAnswerIsJudgedOnceAndNeverPrintedAgain) {
  ServiceAgainstSim s({"--fault", "drop@0x0701+1"});
  const HttpAnswer first = s.Post("/v1/receipts", Receipt(4.56), "lost-1");
  EXPECT_EQ(first.status, 200) << first.body.dump();
  EXPECT_EQ(first.body["registered"], true);
  EXPECT_EQ(first.body["result"], 259);
  const HttpAnswer retry = s.Post("/v1/receipts", Receipt(4.56), "lost-1");
  EXPECT_EQ(retry.status, 200);
  EXPECT_EQ(retry.body["replayed"], true);
  EXPECT_EQ(PricesOnPaper(s.Paper()), std::vector<std::string>{"4.56"}) << s.Paper();
  const json journal = s.Journal();
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0]["result"], 259);
  EXPECT_EQ(journal[0]["registered"], true);
}

TEST(Service, AReportWhoseAnswerIsLostIsUnknownAndNeverPrintedAgain) {
  // The line hangs up in the middle of the report's answer: it printed, and
  // nothing on the tape can say so.
  ServiceAgainstSim s({"--fault", "hangup@0x0701"});
  const HttpAnswer first = s.Post("/v1/reports/x", nullptr, "x-1");
  EXPECT_EQ(first.status, 502) << first.body.dump();
  EXPECT_EQ(first.body["registered"], nullptr);
  const HttpAnswer retry = s.Post("/v1/reports/x", nullptr, "x-1");
  EXPECT_EQ(retry.status, 502);
  EXPECT_EQ(retry.body["replayed"], true);
  EXPECT_EQ(CountOf(s.Paper(), "X REPORT"), 1u) << s.Paper();
}

TEST(Service, SigtermFinishesTheDocumentInHandAndEndsTheSession) {
  ServiceAgainstSim s({"--fault", "delay:2000@0x0701+1"});
  HttpAnswer answer;
  std::thread client([&] { answer = s.Post("/v1/receipts", Receipt(3.21), "term-1"); });
  ASSERT_TRUE(WaitFor([&] { return CountOf(s.Paper(), "SALE") == 1; })) << s.Paper();
  const int status = s.Stop(SIGTERM);
  client.join();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(answer.status, 200) << answer.body.dump();
  EXPECT_NE(s.Log().find("stopped"), std::string::npos) << s.Log();
  // Nothing is left in flight for the next start to settle.
  s.Start();
  const json journal = s.Journal();
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0]["state"], "answered");
  EXPECT_FALSE(journal[0].contains("settledBy"));
}

TEST(Service, ReconnectsWhenTheRegisterComesBack) {
  ServiceAgainstSim s({}, false);
  const std::string later = s.sim().File("register-later");
  s.SetRegisterPort(later);
  s.Start(false);
  ASSERT_TRUE(
      WaitFor([&] { return s.Get("/v1/status").body["register"]["state"] == "reconnecting"; }));
  const HttpAnswer early = s.Post("/v1/receipts", Receipt(2), "late-1");
  EXPECT_EQ(early.status, 503) << early.body.dump();
  EXPECT_TRUE(early.headers.count("Retry-After"));
  std::filesystem::create_symlink(s.sim().link(), later);
  ASSERT_TRUE(WaitFor([&] { return s.Get("/v1/status").body["register"]["state"] == "online"; }));
  EXPECT_EQ(s.Post("/v1/receipts", Receipt(2), "late-1").status, 200);
  EXPECT_EQ(PricesOnPaper(s.Paper()), std::vector<std::string>{"2.00"});
}

TEST(Service, TheStatusPageRendersInABrowser) {
  const char* chromium = "/usr/bin/chromium";
  if (access(chromium, X_OK) != 0)
    GTEST_SKIP() << "Chromium is not installed: the page is not rendered";
  ServiceAgainstSim s;
  ASSERT_EQ(s.Post("/v1/receipts", Receipt(6.5), "page-1").status, 200);
  std::string dom;
  const std::string command =
      std::string(chromium) +
      " --headless --no-sandbox --disable-gpu --no-first-run "
      "--user-data-dir=" +
      s.sim().File("chromium") +
      " --virtual-time-budget=5000 --dump-dom http://127.0.0.1:" + std::to_string(s.port()) +
      "/ 2>/dev/null";
  RunCommand(command, &dom);
  // The page's script fetched the status and filled these in.
  EXPECT_NE(dom.find(R"(<span id="state" class="state online">online</span>)"), std::string::npos)
      << dom;
  EXPECT_NE(dom.find("<td>page-1</td>"), std::string::npos) << dom;
  EXPECT_NE(dom.find("<td>receipt</td>"), std::string::npos) << dom;
  EXPECT_EQ(dom.find("loading"), std::string::npos) << dom;
}

}  // namespace
}  // namespace varnolo::test

namespace varnolo::test {
namespace {

// The register behind ser2net on the shop's network: the service reaches it
// by its address and prints as it does on a local line.
TEST(ServiceOverTheNetwork, PrintsAReceiptThroughADeviceServer) {
  ASSERT_TRUE(Ser2NetInstalled()) << "scripts/setup installs ser2net";
  ServiceAgainstSim s({}, /*start=*/false);
  Ser2NetProcess s2n(s.sim().link());
  s.SetRegisterPort(s2n.TelnetUrl());
  s.Start();
  const HttpAnswer receipt = s.Post("/v1/receipts", Receipt(7.25), "net-1");
  ASSERT_EQ(receipt.status, 200) << receipt.body.dump();
  EXPECT_EQ(receipt.body["registered"], true);
  EXPECT_EQ(PricesOnPaper(s.Paper()), std::vector<std::string>{"7.25"}) << s.Paper();
}

}  // namespace
}  // namespace varnolo::test
