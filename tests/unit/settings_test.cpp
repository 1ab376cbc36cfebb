// Clock, device options, rates and names, texts: through the exported
// functions against the simulated register.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "link/commands.h"
#include "support/packed_field.h"
#include "support/param_name.h"
#include "support/sim_peer.h"

namespace varnolo::test {
namespace {

class SettingsTest : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    Start();
  }
  std::vector<uint8_t> Data(uint16_t address, size_t n) {
    return {mem().data.begin() + address, mem().data.begin() + address + n};
  }
  std::vector<uint8_t> Working(uint16_t address, size_t n) {
    return {mem().working.begin() + address, mem().working.begin() + address + n};
  }
  const Packet* LastWrite(uint16_t command) {
    const Packet* found = nullptr;
    for (const Packet& p : platform->Packets()) {
      if (p.header.command == command) found = &p;
    }
    return found;
  }
  bool NoTraffic() { return platform->Written().empty(); }
};

// ---- Clock ---------------------------------------------------------------

struct ClockCase {
  const char* name;
  TimeDate in;
  std::vector<uint8_t> wire;
};

class ClockWrite : public SettingsTest, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(ClockWrite, BothSettersSendTheSameBcd) {
  TimeDate t = GetParam().in;
  (void)CRSetTimeDate(t);
  const Packet* byValue = LastWrite(cmd::kWriteClock);
  ASSERT_NE(byValue, nullptr);
  EXPECT_EQ(byValue->data, GetParam().wire);
  EXPECT_EQ(byValue->header.length, 7);
  platform->ClearRecords();
  (void)CRSetTimeDateRef(&t);
  EXPECT_EQ(LastWrite(cmd::kWriteClock)->data, GetParam().wire);
}

INSTANTIATE_TEST_SUITE_P(
    Clock, ClockWrite,
    ::testing::Values(
        ClockCase{"y2007", {5, 11, 2007, 14, 3, 9, 0}, {0x05, 0x11, 0x20, 0x07, 0x14, 0x03, 0x09}},
        ClockCase{
            "y1999", {31, 12, 1999, 23, 59, 58, 0}, {0x31, 0x12, 0x19, 0x99, 0x23, 0x59, 0x58}},
        ClockCase{"y12007", {1, 1, 12007, 0, 0, 0, 0}, {0x01, 0x01, 0x20, 0x07, 0, 0, 0}}),
    ParamName());

TEST_F(SettingsTest, ClockRoundTripLeavesByte7Alone) {
  const TimeDate set{31, 12, 1999, 23, 59, 58, 0};
  EXPECT_EQ(CRSetTimeDateRef(&set), kOk);
  TimeDate back{};
  back.reserved = 0x5A;
  EXPECT_EQ(CRGetTimeDate(&back), kOk);
  EXPECT_EQ(back.day, 31);
  EXPECT_EQ(back.month, 12);
  EXPECT_EQ(Field(back.year), 1999);
  EXPECT_EQ(back.hour, 23);
  EXPECT_EQ(back.minute, 59);
  EXPECT_EQ(back.reserved, 0x5A);
}

TEST_F(SettingsTest, RegisterRefusesAMonth13AndTheStatusComesBack) {
  EXPECT_EQ(CRSetTimeDate({1, 13, 2026, 0, 0, 0, 0}), sim::status::kBadClock);
}

TEST_F(SettingsTest, FailedClockReadLeavesTheRecordUntouched) {
  reg.faults().Add({sim::FaultKind::kDrop, cmd::kReadClock, 0, 1});
  TimeDate t{9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(CRGetTimeDate(&t), kNoReply);
  EXPECT_EQ(Field(t.year), 9);
  EXPECT_EQ(t.day, 9);
}

TEST_F(SettingsTest, ClosedPortMeans256AndNoNotice) {
  CRDestroyInterface();
  platform->ClearRecords();
  TimeDate t{};
  EXPECT_EQ(CRGetTimeDate(&t), kPortClosed);
  EXPECT_EQ(CRSetTimeDate(t), kPortClosed);
  EXPECT_EQ(CRSetTimeDateRef(&t), kPortClosed);
  EXPECT_TRUE(NoTraffic());
}

// ---- Device options -------------------------------------------------------

TEST_F(SettingsTest, DigitsWriteThreeCopiesAndTheWorkingByte) {
  EXPECT_EQ(CRSetDigits(5), kOk);
  EXPECT_EQ(Data(0x01D7, 3), (std::vector<uint8_t>{5, 5, 5}));
  EXPECT_EQ(mem().working[Address(63)], 5);
  int32_t d = 0;
  EXPECT_EQ(CRGetDigits(&d), kOk);
  EXPECT_EQ(d, 5);
  platform->ClearRecords();
  EXPECT_EQ(CRSetDigits(8), kOutOfRange);
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x2900}));  // refused inside its frame
}

struct OptionCase {
  const char* name;
  ResultCode (*set)();
  ResultCode (*get)(int32_t*);
  int32_t readBack;
};

class OptionRoundTrip : public SettingsTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(OptionRoundTrip, GetterShowsWhatTheRegisterKeeps) {
  EXPECT_EQ(GetParam().set(), kOk);
  int32_t v = -1;
  EXPECT_EQ(GetParam().get(&v), kOk);
  EXPECT_EQ(v, GetParam().readBack);
}

INSTANTIATE_TEST_SUITE_P(
    Options, OptionRoundTrip,
    ::testing::Values(
        OptionCase{"sound_2_reads_0", [] { return CRSetSound(2); }, CRGetSound, 0},
        OptionCase{"sound_1", [] { return CRSetSound(1); }, CRGetSound, 1},
        OptionCase{"input_257_reads_1", [] { return CRSetInputMode(257); }, CRGetInputMode, 1},
        OptionCase{"suspend_5_reads_50", [] { return CRSetSuspendTime(5); }, CRGetSuspendTime, 50}),
    ParamName());

TEST_F(SettingsTest, PrintModes) {
  EXPECT_EQ(CRSetPrintMode(3, 4), kOk);
  int32_t m1 = 0;
  int32_t m2 = 0;
  EXPECT_EQ(CRGetPrintMode(&m1, &m2), kOk);
  EXPECT_EQ(m1, 3);
  EXPECT_EQ(m2, 4);
  EXPECT_EQ(CRSetPrintMode(0, 9), kOk);
  EXPECT_EQ(CRGetPrintMode(&m1, &m2), kOk);
  EXPECT_EQ(m1, 3);
  EXPECT_EQ(m2, 6);
  platform->ClearRecords();
  EXPECT_EQ(CRSetPrintMode(17, 4), kOutOfRange);
  EXPECT_TRUE(NoTraffic());
  EXPECT_EQ(CRGetPrintMode(nullptr, nullptr), kOk);
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x2900}));
}

TEST_F(SettingsTest, SuspendTimeAbove9IsRefusedBeforeTheFrame) {
  EXPECT_EQ(CRSetSuspendTime(10), kOutOfRange);
  EXPECT_TRUE(NoTraffic());
}

TEST_F(SettingsTest, NullOutputsAre257WithoutTraffic) {
  EXPECT_EQ(CRGetDigits(nullptr), kOutOfRange);
  EXPECT_EQ(CRGetSound(nullptr), kOutOfRange);
  EXPECT_EQ(CRGetInputMode(nullptr), kOutOfRange);
  EXPECT_EQ(CRGetSuspendTime(nullptr), kOutOfRange);
  EXPECT_EQ(CRGetTimeDate(nullptr), kOutOfRange);
  EXPECT_EQ(CRSetTimeDateRef(nullptr), kOutOfRange);
  EXPECT_EQ(CRGetTaxVal(nullptr, 1), kOutOfRange);
  EXPECT_EQ(CRGetDiscountOrRaiseVal(nullptr, 1), kOutOfRange);
  EXPECT_EQ(CRGetHeader(nullptr), kOutOfRange);
  EXPECT_EQ(CRGetTaxName(nullptr, 1), kOutOfRange);
  EXPECT_EQ(CRGetCurrentCashier(nullptr), kOutOfRange);
  EXPECT_EQ(CRGetInternalGBEntry(nullptr, 1), kOutOfRange);
  EXPECT_TRUE(NoTraffic());
}

class SuspendTimeWithoutWorkingByte : public SimFixture,
                                      public ::testing::WithParamInterface<uint8_t> {
 protected:
  SuspendTimeWithoutWorkingByte() : SimFixture({GetParam(), 1, 1800}) {}
};

TEST_P(SuspendTimeWithoutWorkingByte, WritesDataMemoryOnlyAndNeverAddress0) {
  Start();
  mem().working[0] = 0x33;
  EXPECT_EQ(CRSetSuspendTime(4), kOk);
  EXPECT_EQ(mem().data[0x0592], 40);
  EXPECT_EQ(mem().working[0], 0x33);
  for (const Packet& p : platform->Packets()) EXPECT_NE(p.header.command, cmd::kWriteWorking);
}

INSTANTIATE_TEST_SUITE_P(Options, SuspendTimeWithoutWorkingByte, ::testing::Values(4, 7));

// ---- Rates -----------------------------------------------------------------

TEST_F(SettingsTest, DiscountAndRaiseOf12Point5) {
  EXPECT_EQ(CRSetDiscountOrRaiseVal(12.5, 1), kOk);
  EXPECT_EQ(Data(0x01AE, 3), (std::vector<uint8_t>{0x12, 0x50, 0x62}));
  EXPECT_EQ(Data(0x01B1, 3), (std::vector<uint8_t>{0x12, 0x50, 0x62}));
  EXPECT_EQ(Working(Address(35), 4), (std::vector<uint8_t>{1, 2, 5, 0}));
  EXPECT_EQ(CRSetDiscountOrRaiseVal(12.5, 0), kOk);
  EXPECT_EQ(Data(0x01B4, 4), (std::vector<uint8_t>{0x00, 0x12, 0x50, 0x62}));
  EXPECT_EQ(Data(0x01B8, 4), (std::vector<uint8_t>{0x00, 0x12, 0x50, 0x62}));
  EXPECT_EQ(Working(Address(60), 5), (std::vector<uint8_t>{0, 1, 2, 5, 0}));
  double back = 0;
  EXPECT_EQ(CRGetDiscountOrRaiseVal(&back, 1), kOk);
  EXPECT_DOUBLE_EQ(back, 12.5);
}

TEST_F(SettingsTest, TaxRate2Of0Point29) {
  EXPECT_EQ(CRSetTaxVal(0.29, 2), kOk);
  EXPECT_EQ(Data(0x01C4, 4), (std::vector<uint8_t>{0x00, 0x00, 0x29, 0x29}));
  EXPECT_EQ(Working(static_cast<uint16_t>(Address(114) + 5), 5),
            (std::vector<uint8_t>{0, 0, 0, 2, 9}));
  double back = 0;
  EXPECT_EQ(CRGetTaxVal(&back, 2), kOk);
  EXPECT_DOUBLE_EQ(back, 0.29);
}

struct RateCase {
  const char* name;
  double rate;
  int32_t isDiscount;
  ResultCode expected;
  double stored;
};

class RateRange : public SettingsTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(RateRange, TruncatedThenTested) {
  const auto& c = GetParam();
  EXPECT_EQ(CRSetDiscountOrRaiseVal(c.rate, c.isDiscount), c.expected);
  if (c.expected != kOk) {
    for (const Packet& p : platform->Packets()) EXPECT_NE(p.header.command, cmd::kWriteData);
    return;
  }
  double back = -1;
  EXPECT_EQ(CRGetDiscountOrRaiseVal(&back, c.isDiscount), kOk);
  EXPECT_NEAR(back, c.stored, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Rates, RateRange,
                         ::testing::Values(RateCase{"discount_99_999", 99.999, 1, kOk, 99.99},
                                           RateCase{"discount_100", 100, 1, kOutOfRange, 0},
                                           RateCase{"raise_999_99", 999.99, 0, kOk, 999.99},
                                           RateCase{"raise_1000", 1000, 0, kOutOfRange, 0},
                                           RateCase{"negative_thousandth_is_0", -0.001, 1, kOk, 0},
                                           RateCase{"negative", -0.01, 0, kOutOfRange, 0},
                                           RateCase{"nan", std::nan(""), 1, kOutOfRange, 0},
                                           RateCase{"infinity",
                                                    std::numeric_limits<double>::infinity(), 0,
                                                    kOutOfRange, 0},
                                           RateCase{"huge", 1e300, 0, kOutOfRange, 0}),
                         ParamName());

TEST_F(SettingsTest, TaxNumberOutOfRangeIsRefusedFirst) {
  EXPECT_EQ(CRSetTaxVal(10, 4), kOutOfRange);
  EXPECT_EQ(CRSetTaxVal(std::nan(""), 1), kOutOfRange);
  double v = 0;
  EXPECT_EQ(CRGetTaxVal(&v, 0), kOutOfRange);
  EXPECT_EQ(CRSetTaxName("x", 0), kOutOfRange);
  EXPECT_TRUE(NoTraffic());
}

TEST_F(SettingsTest, RatesAreNotChangedDuringAShift) {
  mem().data[0x37B1] = 0xAA;
  EXPECT_EQ(CRSetTaxVal(10, 1), kShiftOpen);
  EXPECT_EQ(CRSetDiscountOrRaiseName("x", 1), kShiftOpen);
  EXPECT_EQ(CRSetHeader("x"), kShiftOpen);
}

// ---- Names and texts -------------------------------------------------------

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> head, size_t spaces, uint8_t tail) {
  std::vector<uint8_t> v(head);
  v.insert(v.end(), spaces, ' ');
  v.push_back(tail);
  return v;
}

TEST_F(SettingsTest, SectionNameAbIsAFieldWithItsSum) {
  EXPECT_EQ(CRSetSectionName("AB", 1), kOk);
  const auto copy = Bytes({'A', 'B', 0}, 12, 0x03);
  EXPECT_EQ(Data(0x0369, 16), copy);
  EXPECT_EQ(Data(0x0379, 16), copy);
  char back[16];
  EXPECT_EQ(CRGetSectionName(back, 1), kOk);
  EXPECT_STREQ(back, "AB");
}

TEST_F(SettingsTest, FooterAbIsABlockWithTheSumOfItsLettersOnly) {
  EXPECT_EQ(CRSetFooter("AB"), kOk);
  std::vector<uint8_t> copy{'A', 'B', 0, 0x83};
  copy.insert(copy.end(), 54, ' ');
  EXPECT_EQ(Data(0x00CA, 58), copy);
  EXPECT_EQ(Data(0x0104, 58), copy);
}

TEST_F(SettingsTest, HeaderTildeTravelsAsByte1AndComesBack) {
  EXPECT_EQ(CRSetHeader("SHOP~Main st"), kOk);
  EXPECT_EQ(mem().data[0x000A + 4], 0x01);
  char back[96];
  EXPECT_EQ(CRGetHeader(back), kOk);
  EXPECT_STREQ(back, "SHOP~Main st");
}

TEST_F(SettingsTest, NullHeaderIs95SpacesAndLongHeaderIsCut) {
  EXPECT_EQ(CRSetHeader(nullptr), kOk);
  EXPECT_EQ(mem().data[0x000A + 95], 0xE0);
  char back[96];
  EXPECT_EQ(CRGetHeader(back), kOk);
  EXPECT_EQ(std::string(back), std::string(95, ' '));
  EXPECT_EQ(CRSetHeader(std::string(100, 'x').c_str()), kOk);
  EXPECT_EQ(mem().data[0x000A + 94], 'x');
  EXPECT_EQ(mem().data[0x000A + 95], static_cast<uint8_t>(95 * 'x'));
}

TEST_F(SettingsTest, EmptyAndNullTaxNames) {
  EXPECT_EQ(CRSetTaxName("", 1), kOk);
  EXPECT_EQ(Data(0x0227, 11), Bytes({0}, 9, 0x20));  // 0, nine spaces, sum 9 x 0x20 = 0x120
  EXPECT_EQ(mem().working[Address(118)], 0);
  char back[11];
  EXPECT_EQ(CRGetTaxName(back, 1), kOk);
  EXPECT_STREQ(back, "");
  EXPECT_EQ(CRSetTaxName(nullptr, 3), kOk);
  EXPECT_EQ(CRGetTaxName(back, 3), kOk);
  EXPECT_STREQ(back, "          ");
}

TEST_F(SettingsTest, TwelveCharacterTaxNameIsCutTo10AndHasNoWorkingTerminator) {
  mem().working[Address(118) + 10 + 10] = 0x77;
  EXPECT_EQ(CRSetTaxName("ABCDEFGHIJKL", 2), kOk);
  EXPECT_EQ(Working(static_cast<uint16_t>(Address(118) + 10), 11),
            (std::vector<uint8_t>{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 0x77}));
  char back[11];
  EXPECT_EQ(CRGetTaxName(back, 2), kOk);
  EXPECT_STREQ(back, "ABCDEFGHIJ");
}

TEST_F(SettingsTest, NeverWrittenSlotReadsAsEmpty) {
  char back[16] = "garbage";
  EXPECT_EQ(CRGetCashierName(back, 8), kOk);
  EXPECT_STREQ(back, "");
  EXPECT_EQ(CRGetDiscountOrRaiseName(back, 0), kOk);
  EXPECT_STREQ(back, "");
}

TEST_F(SettingsTest, CyrillicSurvivesTheRegistersCodePage) {
  const char* name = "\xCA\xEE\xF4\xE5";  // "Кофе" in 1251
  EXPECT_EQ(CRSetSectionName(name, 2), kOk);
  EXPECT_EQ(mem().data[0x0389], 0x8A);  // 'К' in 866
  char back[16];
  EXPECT_EQ(CRGetSectionName(back, 2), kOk);
  EXPECT_STREQ(back, name);
}

TEST_F(SettingsTest, NameArgumentsOutOfRangeAre257WithoutTraffic) {
  EXPECT_EQ(CRSetCashierName("x", 9), kOutOfRange);
  EXPECT_EQ(CRSetCashierName(nullptr, 1), kOutOfRange);
  EXPECT_EQ(CRSetSectionName("x", 17), kOutOfRange);
  char back[16];
  EXPECT_EQ(CRGetSectionName(back, 0), kOutOfRange);
  EXPECT_EQ(CRGetCashierName(back, 9), kOutOfRange);
  EXPECT_TRUE(NoTraffic());
}

// ---- Cashiers ----------------------------------------------------------------

class CashierTest : public SettingsTest {
 protected:
  void OpenShiftWithCashier(uint8_t current, uint8_t registration) {
    mem().data[0x37B1] = 0xAA;
    mem().working[Address(32)] = current;
    mem().working[Address(82)] = registration;
  }
};

TEST_F(CashierTest, OutOfRangeIsRefusedWithoutTraffic) {
  EXPECT_EQ(CRSetCurrentCashier(9), kOutOfRange);
  EXPECT_EQ(CRSetCurrentCashier(0), kOutOfRange);
  EXPECT_TRUE(NoTraffic());
}

TEST_F(CashierTest, WithoutRegistrationTheShiftKeepsItsCashier) {
  OpenShiftWithCashier(3, 0);
  EXPECT_EQ(CRSetCurrentCashier(3), kOk);
  platform->ClearRecords();
  EXPECT_EQ(CRSetCurrentCashier(4), kShiftOpen);
  for (const Packet& p : platform->Packets()) {
    EXPECT_NE(p.header.command, cmd::kWriteWorking);
    EXPECT_NE(p.header.command, cmd::kWriteData);
  }
  EXPECT_EQ(mem().working[Address(32)], 3);
}

TEST_F(CashierTest, WithRegistrationTheCashierChangesAndTheDataCopyStays) {
  OpenShiftWithCashier(3, 1);
  mem().data[0x01F8] = 3;
  EXPECT_EQ(CRSetCurrentCashier(4), kOk);
  EXPECT_EQ(mem().working[Address(32)], 4);
  EXPECT_EQ(mem().data[0x01F8], 3);
  int32_t c = 0;
  EXPECT_EQ(CRGetCurrentCashier(&c), kOk);
  EXPECT_EQ(c, 4);
}

TEST_F(CashierTest, NameIsCopiedToWorkingMemory) {
  ASSERT_EQ(CRSetCashierName("AB", 2), kOk);
  ASSERT_EQ(CRSetCashierName("ABCDEFGHIJKLMNO", 5), kOk);
  mem().working[Address(31) + 3] = 0x77;
  EXPECT_EQ(CRSetCurrentCashier(2), kOk);
  EXPECT_EQ(Working(Address(31), 4), (std::vector<uint8_t>{'A', 'B', 0, 0x77}));
  EXPECT_EQ(mem().data[0x01F8], 2);
  mem().working[Address(31) + 15] = 0x66;
  EXPECT_EQ(CRSetCurrentCashier(5), kOk);
  EXPECT_EQ(Working(Address(31), 16),
            (std::vector<uint8_t>{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M',
                                  'N', 'O', 0x66}));
}

TEST_F(CashierTest, FailedReadGives0AndTheCode) {
  reg.faults().Add({sim::FaultKind::kStatus, cmd::kReadWorking, 0x44, 1});
  int32_t c = 7;
  EXPECT_EQ(CRGetCurrentCashier(&c), 0x44);
  EXPECT_EQ(c, 0);
}

}  // namespace
}  // namespace varnolo::test
