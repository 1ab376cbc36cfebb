// A whole working day through libvarnolo.so against varnolo-sim on a
// pseudo-terminal: what the library reports as printed is exactly what the
// register registered on its tape, in its totals and in its drawer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "support/packed_field.h"
#include "support/sim_process.h"
#include "support/whole_tape.h"
#include "varnolo.h"

namespace varnolo::test {
namespace {

long Hundredths(double v) { return std::lround(v * 100); }

class WorkingDay : public ::testing::Test {
 protected:
  void SetUp() override {
    sim.BecomeCom1();
    ASSERT_EQ(CRInitInterface(1, 0), 1);
  }
  void TearDown() override { CRDestroyInterface(); }

  long DrawerCashInImage() {
    long v = 0;
    for (int i = 0; i < 5; ++i) v = v * 256 + ImageByte(image, 1, 0x188D + static_cast<size_t>(i));
    return v;
  }
  std::string Paper() {
    std::ifstream in(sim.File("paper"));
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<ControlTapeEntry> Tape() {
    WholeTape tape = ReadWholeTape();
    EXPECT_EQ(tape.result, CR_OK);
    return tape.entries;
  }

  const std::string image = "/tmp/varnolo-day-" + std::to_string(getpid()) + ".img";
  SimProcess sim{{"--image", image, "--paper", "paper"}};
};

TEST_F(WorkingDay, DocumentsTapeTotalsAndDrawerAgree) {
  RegisterConfiguration config{0, 0, 1, 1, 1, 8, {}};
  ASSERT_EQ(CRConfigure(&config), CR_OK);
  ASSERT_EQ(CRSetHeader("VARNOLO MARKET~12 Harbour St"), CR_OK);
  ASSERT_EQ(CRSetFooter("Thank you!"), CR_OK);
  ASSERT_EQ(CRSetTaxVal(20, 1), CR_OK);
  ASSERT_EQ(CRSetTaxName("VAT 20%", 1), CR_OK);
  ASSERT_EQ(CRSetSectionName("Grocery", 1), CR_OK);
  GoodsEntry bread{};
  bread.price = 45.5;
  bread.byPieces = 1;
  bread.section = 1;
  std::strcpy(bread.name, "Bread");
  std::strcpy(bread.barcode, "4600000000017");
  ASSERT_EQ(CRSetInternalGBEntry(&bread, 10), CR_OK);

  long expectedDrawer = 0;
  long expectedSales = 0;
  size_t expectedEntries = 0;

  ASSERT_EQ(CRCreateInputCheck(500), CR_OK);
  expectedDrawer += 50000;
  expectedEntries += 1;

  for (int i = 0; i < 3; ++i) {  // plain sale checks, cash
    CheckItem items[2] = {{2, 10.00, 0, 5, 1, 0}, {1, 3.50, 0, 0, 1, 1}};
    ASSERT_EQ(CRCreateCheck(items, 2, 100, 1, 0), CR_OK);
    // 19.00 + (3.50 + 0.70 tax)
    expectedDrawer += 2320;
    expectedSales += 2320;
    expectedEntries += 3;
  }
  for (int i = 0; i < 3; ++i) {  // extended sale checks, non-cash
    CheckItemEx line{};
    line.quantity = 3;
    line.price = 12.00;
    line.section = 2;
    line.byPieces = 1;
    std::memcpy(line.name, "Milk 1l        ", 15);
    std::memcpy(line.barcode, "4601234567893", 13);
    ASSERT_EQ(CRCreateCheckEx(&line, 1, 0, 0, 1), CR_OK);
    expectedSales += 3600;
    expectedEntries += 2;
  }
  CheckItem gb{2, 0, 0, 0, 0, 0};
  ASSERT_EQ(CRCreateIntGBCheck(&gb, 10), CR_OK);
  expectedDrawer += 9100;
  expectedSales += 9100;
  expectedEntries += 2;

  ASSERT_EQ(CRCreatePackCheck(1, 5.00), CR_OK);
  ASSERT_EQ(CRCreateMoneyBackCheck(1, 7.25), CR_OK);
  expectedDrawer -= 500 + 725;
  expectedEntries += 2;

  CheckItem last{1, 8.00, 0, 0, 1, 0};
  ASSERT_EQ(CRCreateCheck(&last, 1, 0, 0, 0), CR_OK);
  ASSERT_EQ(CRAnnulCheck(), CR_OK);
  expectedEntries += 2 + 1;  // the check, then its annulment

  ASSERT_EQ(CRCreateTakeoffCheck(100), CR_OK);
  expectedDrawer -= 10000;
  expectedEntries += 1;

  // The tape holds every document, and nothing more.
  uint16_t count = 0;
  ASSERT_EQ(CRGetNumOfShoppings(&count), CR_OK);
  EXPECT_EQ(count, expectedEntries);
  const auto onTape = Tape();
  ASSERT_EQ(onTape.size(), expectedEntries);
  long taped = 0;
  for (const auto& e : onTape) {
    if (e.kind == 0) taped += Hundredths(e.amount);  // sale lines
  }
  EXPECT_EQ(taped, expectedSales + 800);  // the annulled check's line stays on the tape

  // Totals: sales less nothing, the annulment counted apart.
  TradeTotals totals{};
  TradeCounters counters{};
  ASSERT_EQ(CRGetTradeResults(&totals, &counters, 0, 0), CR_OK);
  EXPECT_EQ(Hundredths(Field(totals.value[0])), expectedSales + 800);
  EXPECT_EQ(Hundredths(Field(totals.value[10])), 800);   // annulled
  EXPECT_EQ(Hundredths(Field(totals.value[6])), 50000);  // cash in
  EXPECT_EQ(Field(counters.count[0]), 8);                // sale checks
  ASSERT_EQ(CRGetTradeResults(&totals, &counters, 2, 0), CR_OK);
  EXPECT_EQ(Hundredths(Field(totals.value[0])), 3 * 3600);  // section 2: the milk

  EXPECT_EQ(DrawerCashInImage(), expectedDrawer);

  ASSERT_EQ(CRReport(5), CR_OK);
  ASSERT_EQ(CRCloseSwitch(), CR_OK);
  ControlTapeInfo info{};
  ASSERT_EQ(CRGetCTInfo(&info), CR_OK);
  EXPECT_EQ(Field(info.shiftOpen), 0);
  ASSERT_EQ(CRGetTradeResults(&totals, &counters, 0, 0), CR_OK);
  EXPECT_EQ(Field(totals.value[0]), 0.0);  // the next day starts with an empty shift

  const std::string paper = Paper();
  for (const char* text :
       {"VARNOLO MARKET", "12 Harbour St", "Milk 1l", "Bread", "VAT 20%", "CASH IN", "CASH OUT",
        "PACK", "MONEY BACK", "ANNULMENT", "X REPORT", "Z REPORT", "Thank you!"}) {
    EXPECT_NE(paper.find(text), std::string::npos) << text;
  }
  unlink(image.c_str());
}

}  // namespace
}  // namespace varnolo::test
