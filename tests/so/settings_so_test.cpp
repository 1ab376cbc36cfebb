// Every setting through libvarnolo.so against varnolo-sim on a pseudo-terminal:
// each setter's value reads back through its getter, and the simulator's trace
// shows the addresses the register was written at.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "support/packed_field.h"
#include "support/sim_process.h"
#include "varnolo.h"

namespace varnolo::test {
namespace {

class SettingsOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    sim.BecomeCom1();
    ASSERT_EQ(CRInitInterface(1, 0), 1);
  }
  void TearDown() override { CRDestroyInterface(); }
  std::string Trace() {
    std::ifstream in(sim.File("trace"));
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  SimProcess sim{{"--trace", "trace"}};
};

TEST_F(SettingsOverPty, EverySetterReadsBack) {
  const TimeDate when{24, 12, 2026, 18, 30, 0, 0};
  EXPECT_EQ(CRSetTimeDate(when), CR_OK);
  TimeDate now{};
  EXPECT_EQ(CRGetTimeDate(&now), CR_OK);
  EXPECT_EQ(Field(now.year), 2026);
  EXPECT_EQ(now.month, 12);
  EXPECT_EQ(now.day, 24);

  int32_t v = 0;
  int32_t v2 = 0;
  EXPECT_EQ(CRSetDigits(4), CR_OK);
  EXPECT_EQ(CRGetDigits(&v), CR_OK);
  EXPECT_EQ(v, 4);
  EXPECT_EQ(CRSetPrintMode(7, 4), CR_OK);
  EXPECT_EQ(CRGetPrintMode(&v, &v2), CR_OK);
  EXPECT_EQ(v, 7);
  EXPECT_EQ(v2, 4);
  EXPECT_EQ(CRSetInputMode(1), CR_OK);
  EXPECT_EQ(CRGetInputMode(&v), CR_OK);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(CRSetSound(0), CR_OK);
  EXPECT_EQ(CRGetSound(&v), CR_OK);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(CRSetSuspendTime(2), CR_OK);
  EXPECT_EQ(CRGetSuspendTime(&v), CR_OK);
  EXPECT_EQ(v, 20);

  double rate = 0;
  EXPECT_EQ(CRSetDiscountOrRaiseVal(7.5, 1), CR_OK);
  EXPECT_EQ(CRGetDiscountOrRaiseVal(&rate, 1), CR_OK);
  EXPECT_DOUBLE_EQ(rate, 7.5);
  EXPECT_EQ(CRSetDiscountOrRaiseVal(150, 0), CR_OK);
  EXPECT_EQ(CRGetDiscountOrRaiseVal(&rate, 0), CR_OK);
  EXPECT_DOUBLE_EQ(rate, 150);
  EXPECT_EQ(CRSetTaxVal(20, 1), CR_OK);
  EXPECT_EQ(CRGetTaxVal(&rate, 1), CR_OK);
  EXPECT_DOUBLE_EQ(rate, 20);

  // Cyrillic names in Windows-1251 survive the register's code page 866.
  const char* vat = "\xcd\xc4\xd1";  // "НДС"
  const char* header = "\xce\xce\xce \xd0\xee\xec\xe0\xf8\xea\xe0~\xcc\xee\xf1\xea\xe2\xe0";
  const char* cashier = "\xc8\xe2\xe0\xed\xee\xe2\xe0";  // "Иванова"
  char buf[96];
  EXPECT_EQ(CRSetTaxName(vat, 1), CR_OK);
  EXPECT_EQ(CRGetTaxName(buf, 1), CR_OK);
  EXPECT_STREQ(buf, vat);
  EXPECT_EQ(CRSetDiscountOrRaiseName("Club card", 1), CR_OK);
  EXPECT_EQ(CRGetDiscountOrRaiseName(buf, 1), CR_OK);
  EXPECT_STREQ(buf, "Club card");
  EXPECT_EQ(CRSetHeader(header), CR_OK);
  EXPECT_EQ(CRGetHeader(buf), CR_OK);
  EXPECT_STREQ(buf, header);
  EXPECT_EQ(CRSetFooter("Thank you!"), CR_OK);
  EXPECT_EQ(CRGetFooter(buf), CR_OK);
  EXPECT_STREQ(buf, "Thank you!");
  EXPECT_EQ(CRSetSectionName("Bakery", 4), CR_OK);
  EXPECT_EQ(CRGetSectionName(buf, 4), CR_OK);
  EXPECT_STREQ(buf, "Bakery");
  EXPECT_EQ(CRSetCashierName(cashier, 2), CR_OK);
  EXPECT_EQ(CRGetCashierName(buf, 2), CR_OK);
  EXPECT_STREQ(buf, cashier);
  EXPECT_EQ(CRSetCurrentCashier(2), CR_OK);
  EXPECT_EQ(CRGetCurrentCashier(&v), CR_OK);
  EXPECT_EQ(v, 2);

  GoodsEntry milk{};
  milk.price = 89.9;
  milk.byPieces = 1;
  milk.section = 4;
  std::strcpy(milk.name, "\xcc\xee\xeb\xee\xea\xee");  // "Молоко"
  std::strcpy(milk.barcode, "4601234567893");
  EXPECT_EQ(CRSetInternalGBEntry(&milk, 1200), CR_OK);
  GoodsEntry back{};
  EXPECT_EQ(CRGetInternalGBEntry(&back, 1200), CR_OK);
  EXPECT_EQ(std::string(back.name).substr(0, 6), milk.name);
  EXPECT_STREQ(back.barcode, milk.barcode);
  EXPECT_DOUBLE_EQ(Field(back.price), 89.9);

  const std::string trace = Trace();
  for (const char* line : {"0101 data memory     addr=01D7 len=3",   // digits, three copies
                           "0101 data memory     addr=01AE len=3",   // discount rate
                           "0101 data memory     addr=0227 len=11",  // tax name 1, first copy
                           "0801 goods memory    addr=4443 len=25",  // goods entry 1200
                           "0601 clock"}) {
    EXPECT_NE(trace.find(line), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace varnolo::test
