// The simulated register as a QA engineer drives it: faults of the line the
// library has to survive, the fault queue, control commands and scenarios,
// with what the library then reads from the register.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <nlohmann/json.hpp>

#include "code_page_866.h"
#include "control_commands.h"
#include "link/commands.h"
#include "link/primitives.h"
#include "programming.h"
#include "scenario.h"
#include "support/check_fixture.h"
#include "support/packed_field.h"
#include "support/param_name.h"
#include "support/whole_tape.h"

namespace varnolo::test {
namespace {

using nlohmann::json;

Packet Request(uint16_t command, uint16_t address, uint16_t length,
               std::vector<uint8_t> data = {}) {
  const WireHeader w = EncodeHeader({command, length, address, 1});
  std::vector<uint8_t> raw(w.begin(), w.end());
  if (!data.empty()) {
    raw.insert(raw.end(), data.begin(), data.end());
    raw.push_back(DataChecksum(data));
  }
  PacketAssembler assembler;
  assembler.Feed(raw);
  return *assembler.Next();
}

// A reply as the host's side of the line decodes it.
struct Decoded {
  PacketHeader header;
  bool headerIntact = false;
  std::vector<uint8_t> data;
  bool dataIntact = false;
};

Decoded Decode(const std::vector<uint8_t>& bytes) {
  Decoded d;
  WireHeader w{};
  std::copy_n(bytes.begin(), kHeaderSize, w.begin());
  d.header = DecodeHeader(w);
  d.headerIntact = HeaderChecksumValid(w);
  if (bytes.size() > kHeaderSize) {
    d.data.assign(bytes.begin() + kHeaderSize, bytes.end() - 1);
    d.dataIntact = DataChecksum(d.data) == bytes.back();
  }
  return d;
}

class SimulatorReplies : public ::testing::Test {
 protected:
  void SetUp() override {
    for (uint8_t i = 0; i < 4; ++i) reg.memory().data[0x4000 + i] = static_cast<uint8_t>(0xA0 + i);
  }
  void Fault(const char* text) { reg.faults().Add(*sim::ParseFault(text)); }
  std::optional<sim::Reply> ReadFour() { return reg.Handle(Request(cmd::kReadData, 0x4000, 4)); }

  sim::Register reg{{}, [] { return kTestEpoch; }};
};

TEST_F(SimulatorReplies, ShortAndLongAnswersAreWellFormedPacketsOfTheWrongLength) {
  Fault("short:2");
  Decoded d = Decode(ReadFour()->bytes);
  EXPECT_TRUE(d.headerIntact);
  EXPECT_TRUE(d.dataIntact);
  EXPECT_EQ(d.header.length, 2);
  EXPECT_EQ(d.data, (std::vector<uint8_t>{0xA0, 0xA1}));

  Fault("long:3");
  d = Decode(ReadFour()->bytes);
  EXPECT_TRUE(d.dataIntact);
  EXPECT_EQ(d.header.length, 7);
  EXPECT_EQ(d.data.size(), 7u);

  Fault("nodata");
  const std::vector<uint8_t> bytes = ReadFour()->bytes;
  ASSERT_EQ(bytes.size(), kHeaderSize);
  d = Decode(bytes);
  EXPECT_TRUE(d.headerIntact);
  EXPECT_EQ(d.header.command, cmd::kReadData);
  EXPECT_EQ(bytes[4], 0);  // status 0: an acknowledgement, not an answer

  // The next read is answered in full again.
  d = Decode(ReadFour()->bytes);
  EXPECT_EQ(d.data, (std::vector<uint8_t>{0xA0, 0xA1, 0xA2, 0xA3}));
}

TEST_F(SimulatorReplies, LateReplyGoesOutAfterTheNextRequestBeforeItsOwnReply) {
  Fault("late@0x0100");
  const std::optional<sim::Reply> first = ReadFour();
  EXPECT_FALSE(first);
  reg.memory().data[0x4000] = 0x11;
  const std::optional<sim::Reply> second = ReadFour();
  ASSERT_TRUE(second);
  EXPECT_EQ(Decode(second->heldBack).data[0], 0xA0);  // the first read's answer
  EXPECT_EQ(Decode(second->bytes).data[0], 0x11);
  // A late reply to the last request of a call goes out after the next packet,
  // even one that gets no reply of its own.
  Fault("late");
  ReadFour();
  const std::optional<sim::Reply> afterNotice = reg.Handle(Request(cmd::kCallEndNotice, 0, 0));
  ASSERT_TRUE(afterNotice);
  EXPECT_TRUE(afterNotice->bytes.empty());
  EXPECT_EQ(Decode(afterNotice->heldBack).data.size(), 4u);
}

TEST_F(SimulatorReplies, PacedReplyCarriesItsByteInterval) {
  Fault("pace:1");
  EXPECT_EQ(ReadFour()->byteIntervalMs, 1u);
  EXPECT_EQ(ReadFour()->byteIntervalMs, 0u);
}

TEST_F(SimulatorReplies, FaultsForOneReplyQueueAndOthersDoNotHoldThemUp) {
  Fault("status:5@0x0100+1");
  Fault("status:6@0x0100");
  Fault("status:7@0x0300");
  // A reply with data has status 0; otherwise the status byte is in the header.
  auto statusOf = [](const std::optional<sim::Reply>& r) {
    return r->bytes.size() > kHeaderSize ? 0 : r->bytes[4];
  };
  EXPECT_EQ(statusOf(reg.Handle(Request(cmd::kReadWorking, 0x1FFF, 1))), 7);
  EXPECT_EQ(statusOf(ReadFour()), 0);  // the +1 of the first
  EXPECT_EQ(statusOf(ReadFour()), 5);
  EXPECT_EQ(statusOf(ReadFour()), 6);  // the second counts from when the first fired
  EXPECT_EQ(statusOf(ReadFour()), 0);
  EXPECT_EQ(reg.FaultsCommitted(), 3u);
  EXPECT_TRUE(reg.faults().Empty());
}

TEST_F(SimulatorReplies, ScheduledFaultWaitsForItsRequestCount) {
  std::string error;
  ASSERT_TRUE(sim::ApplyScenario(reg, json::parse(R"({"faults": [{"fault": "status:9",
                                                       "atRequest": 3}]})"),
                                 &error))
      << error;
  EXPECT_GT(ReadFour()->bytes.size(), kHeaderSize);  // answered with data
  EXPECT_GT(ReadFour()->bytes.size(), kHeaderSize);
  const std::vector<uint8_t> third = ReadFour()->bytes;
  ASSERT_EQ(third.size(), kHeaderSize);
  EXPECT_EQ(third[4], 9);
  ASSERT_TRUE(reg.LastFault());
  EXPECT_EQ(sim::DescribeFault(*reg.LastFault()), "status 0x09");
}

struct ParseCase {
  const char* text;
  bool valid;
};

class NewFaultSyntax : public ::testing::TestWithParam<ParseCase> {};

TEST_P(NewFaultSyntax, ParsesAndPrintsBack) {
  const std::optional<sim::Fault> f = sim::ParseFault(GetParam().text);
  ASSERT_EQ(f.has_value(), GetParam().valid);
  if (f) {
    EXPECT_EQ(sim::FaultSpec(*f), GetParam().text);
  }
}

INSTANTIATE_TEST_SUITE_P(Simulator, NewFaultSyntax,
                         ::testing::Values(ParseCase{"late", true}, ParseCase{"late:3", false},
                                           ParseCase{"pace:1", true}, ParseCase{"pace:0", false},
                                           ParseCase{"short:2@0x0100", true},
                                           ParseCase{"short:0", false}, ParseCase{"long:1+3", true},
                                           ParseCase{"nodata", true}, ParseCase{"nodata:1", false},
                                           ParseCase{"drop:2@0x0701", true},
                                           ParseCase{"delay:-5", false}));

// Control commands and scenarios, and what the library then finds.
class SimulatorControl : public CheckFixture {
 protected:
  json Run(const json& command) { return sim::RunControlCommand(reg, command); }
  std::string PaperAfter(const std::function<void()>& action) {
    reg.ClearPaper();
    action();
    return reg.paper();
  }
};

TEST_F(SimulatorControl, NearlyFullTapeRefusesTheCheckThatDoesNotFit) {
  // The library weighs the tape against the check during a shift, keeping 20
  // entries in reserve below 1600 while the goods base is used.
  ASSERT_EQ(Run({{"command", "open-shift"}, {"hoursAgo", 1}})["ok"], true);
  ASSERT_EQ(Run({{"command", "tape"}, {"entries", 1578}})["ok"], true);
  EXPECT_EQ(Run({{"command", "state"}})["tape"]["entries"], 1578);
  CheckItem items[2] = {Item(1, 10), Item(1, 5)};
  std::string paper = PaperAfter([&] { EXPECT_EQ(CRCreateCheck(items, 2, 0, 0, 0), kTapeFull); });
  EXPECT_EQ(paper.find("SALE"), std::string::npos);
  paper = PaperAfter([&] { EXPECT_EQ(CRCreateCheck(items, 1, 0, 0, 0), kOk); });
  EXPECT_NE(paper.find("SALE"), std::string::npos);
  EXPECT_EQ(reg.TapeCount(), 1580);
  EXPECT_EQ(CRCreateCheck(items, 1, 0, 0, 0), kTapeFull);
  // The tape itself holds no more than its memory does.
  EXPECT_EQ(Run({{"command", "tape"}, {"entries", reg.TapeCapacity() + 1}})["ok"], false);
  EXPECT_EQ(Run({{"command", "tape"}, {"entries", 3}})["ok"], true);
  // Filler entries are checks of 1.00: a line and its total.
  const WholeTape tape = ReadWholeTape();
  ASSERT_EQ(tape.result, kOk);
  ASSERT_EQ(tape.entries.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(Field(tape.entries[i].amount), 1.0) << i;
  EXPECT_EQ(Field(tape.entries[0].kind), 0);
  EXPECT_EQ(Field(tape.entries[1].kind), 6);
}

TEST_F(SimulatorControl, ShiftOpenForMoreThanADayRefusesDocuments) {
  ASSERT_EQ(Run({{"command", "open-shift"}, {"hoursAgo", 25}})["ok"], true);
  const json state = Run({{"command", "state"}});
  EXPECT_EQ(state["shift"]["open"], true);
  EXPECT_EQ(state["shift"]["hoursOpen"], 25.0);
  CheckItem item = Item(1, 10);
  EXPECT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kShiftRefused);
  ASSERT_EQ(
      Run({{"command", "open-shift"}, {"at", sim::FormatRegisterTime(reg.Now() - 3600)}})["ok"],
      true);
  EXPECT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
}

TEST_F(SimulatorControl, DrawerCashIsWhatACashOutMayTake) {
  ASSERT_EQ(Run({{"command", "drawer"}, {"cash", 50.25}})["ok"], true);
  EXPECT_EQ(reg.DrawerCash(), 5025u);
  EXPECT_EQ(Run({{"command", "state"}})["drawerCash"], 50.25);
  EXPECT_EQ(Run({{"command", "drawer"}, {"cash", -1}})["ok"], false);
}

TEST_F(SimulatorControl, ResetGivesTheFactoryImageAndDropsFaults) {
  CheckItem item = Item(1, 10);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  ASSERT_EQ(Run({{"command", "fault"}, {"fault", "drop"}})["ok"], true);
  ASSERT_EQ(Run({{"command", "reset"}})["ok"], true);
  const sim::Register factory({}, [this] { return hostSeconds; });
  EXPECT_EQ(mem().data, factory.memory().data);
  EXPECT_EQ(mem().working, factory.memory().working);
  EXPECT_TRUE(reg.faults().Empty());
  uint8_t shift = 0xAA;
  EXPECT_EQ(ReadDataMemory(1, 0x37B1, {&shift, 1}), kOk);
  EXPECT_EQ(shift, 0);
}

TEST_F(SimulatorControl, SnapshotSavedAndLoadedBringsTheStateBack) {
  const std::string path = "/tmp/varnolo-snapshot-" + std::to_string(getpid());
  CheckItem item = Item(1, 10);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  ASSERT_EQ(Run({{"command", "save"}, {"path", path}})["ok"], true);
  const sim::Memory saved = reg.memory();
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  ASSERT_EQ(Run({{"command", "load"}, {"path", path}})["ok"], true);
  EXPECT_EQ(mem().data, saved.data);
  EXPECT_EQ(reg.DocumentNumber(), 1u);
  EXPECT_EQ(Run({{"command", "load"}, {"path", path + ".none"}})["ok"], false);
  unlink(path.c_str());
}

TEST_F(SimulatorControl, BadCommandsAreAnsweredWithAReason) {
  for (const char* line : {"not json", R"({"command": "explode"})", R"({"nothing": 1})",
                           R"({"command": "fault", "fault": "explode"})",
                           R"({"command": "open-shift", "at": "yesterday"})"}) {
    const json answer = json::parse(sim::RunControlLine(reg, line));
    EXPECT_EQ(answer["ok"], false) << line;
    EXPECT_FALSE(answer.value("error", "").empty()) << line;
  }
}

TEST_F(SimulatorControl, ScenarioSettingsReadBackThroughTheLibrary) {
  std::string error;
  ASSERT_TRUE(sim::ApplyScenario(reg, json::parse(R"({
    "configuration": {"sections": 4, "useCashiers": true, "useGoodsBase": true,
                      "useTaxes": true, "extendedChecks": false},
    "taxes": [{"number": 2, "rate": 12.5, "name": "VAT 12.5%"}],
    "discount": {"rate": 3, "name": "Loyalty"},
    "header": "CORNER SHOP~1 Main St",
    "sections": {"3": "Bakery"},
    "cashiers": {"2": "Anna"},
    "goods": [{"number": 7, "name": "Rye bread", "price": 45.5, "section": 3,
               "barcode": "4600000000017"},
              {"number": 1200, "name": "Cheese", "price": 320, "section": 1, "byWeight": true}]
  })"),
                                 &error))
      << error;
  RegisterConfiguration c{};
  ASSERT_EQ(CRGetConfiguration(&c), kOk);
  EXPECT_EQ(c.sectionCount, 4);
  EXPECT_EQ(c.useCashiers, 1);
  EXPECT_EQ(c.extendedChecks, 0);
  double rate = 0;
  ASSERT_EQ(CRGetTaxVal(&rate, 2), kOk);
  EXPECT_DOUBLE_EQ(rate, 12.5);
  char name[96] = {};
  ASSERT_EQ(CRGetTaxName(name, 2), kOk);
  EXPECT_STREQ(name, "VAT 12.5%");
  ASSERT_EQ(CRGetDiscountOrRaiseVal(&rate, 1), kOk);
  EXPECT_DOUBLE_EQ(rate, 3);
  ASSERT_EQ(CRGetHeader(name), kOk);
  EXPECT_STREQ(name, "CORNER SHOP~1 Main St");
  ASSERT_EQ(CRGetSectionName(name, 3), kOk);
  EXPECT_STREQ(name, "Bakery");
  ASSERT_EQ(CRGetCashierName(name, 2), kOk);
  EXPECT_STREQ(name, "Anna");
  GoodsEntry g{};
  ASSERT_EQ(CRGetInternalGBEntry(&g, 7), kOk);
  EXPECT_DOUBLE_EQ(g.price, 45.5);
  EXPECT_EQ(g.section, 3u);
  EXPECT_EQ(g.byPieces, 1);
  EXPECT_STREQ(g.name, "Rye bread     ");  // stored padded to 14
  EXPECT_STREQ(g.barcode, "4600000000017");
  ASSERT_EQ(CRGetInternalGBEntry(&g, 1200), kOk);
  EXPECT_EQ(g.byPieces, 0);
  EXPECT_STREQ(g.name, "Cheese        ");
}

TEST_F(SimulatorControl, ScenarioMistakesAreNamed) {
  for (const char* text :
       {R"({"tapeEntry": 5})", R"({"taxes": [{"number": 4, "rate": 1}]})",
        R"({"goods": [{"number": 1801, "name": "x", "price": 1}]})",
        R"({"configuration": {"sections": 17}})", R"({"shift": {"openedAt": "soon"}})"}) {
    std::string error;
    EXPECT_FALSE(sim::ApplyScenario(reg, json::parse(text), &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(SimulatorText, Utf8AndTheRegistersCodePageRoundTrip) {
  const std::string text = "Хлеб ржаной ~ №5";
  const std::string oem = sim::Utf8ToCp866(text);
  EXPECT_EQ(oem.size(), 16u);
  EXPECT_EQ(static_cast<unsigned char>(oem[0]), 0x95);  // Х
  EXPECT_EQ(oem[12], '\x01');
  EXPECT_EQ(sim::Cp866ToUtf8(oem), text);
}

}  // namespace
}  // namespace varnolo::test
