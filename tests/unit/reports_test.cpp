// Reports and shift closing, trade totals, the control tape, state and
// peripherals, against the simulated register.
#include <gtest/gtest.h>

#include <cstring>

#include "link/commands.h"
#include "memory.h"
#include "reports/tape_entry.h"
#include "session/session.h"
#include "support/check_fixture.h"
#include "support/packed_field.h"
#include "support/param_name.h"

namespace varnolo::test {
namespace {

class ReportsTest : public CheckFixture {
 protected:
  const Packet* LastRoutine() {
    const Packet* found = nullptr;
    for (const Packet& p : platform->Packets()) {
      if (p.header.command == cmd::kCallRoutine) found = &p;
    }
    return found;
  }
};

// ---- Reports -----------------------------------------------------------------

struct KindCase {
  const char* name;
  int32_t kind;
  int routine;
  int parameter;
};

class ReportKinds : public ReportsTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(ReportKinds, SelectTheirRoutineAndParameterCell) {
  OpenShift();
  mem().working[Address(82)] = 1;
  ASSERT_EQ(CRReport(GetParam().kind), kOk);
  const Packet* p = LastRoutine();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->header.address, Address(GetParam().routine));
  const uint16_t second = Address(GetParam().parameter);
  EXPECT_EQ(p->data, (std::vector<uint8_t>{1, 1, 1, static_cast<uint8_t>(second),
                                           static_cast<uint8_t>(second >> 8), 0}));
  EXPECT_EQ(RoutineTimeout(GetParam().routine), 600000u);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, ReportKinds,
    ::testing::Values(KindCase{"kind_1", 1, 606, 607}, KindCase{"kind_2", 2, 660, 661},
                      KindCase{"kind_3", 3, 620, 621}, KindCase{"kind_4", 4, 618, 619},
                      KindCase{"kind_0", 0, 624, 625}, KindCase{"kind_5", 5, 624, 625},
                      KindCase{"kind_minus_1", -1, 624, 625}),
    ParamName());

TEST_F(ReportsTest, Kind1NeedsCashiersAndKind4ItsStateByte) {
  mem().working[Address(82)] = 0;
  EXPECT_EQ(CRReport(1), kConfiguration);
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x0300, 0x2900}));  // only the byte at index 82
  platform->ClearRecords();
  mem().working[Address(29)] = 1;
  EXPECT_EQ(CRReport(4), kConfiguration);
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x0300, 0x0300, 0x2900}));
}

TEST_F(ReportsTest, OutsideAShiftTheStateByteDecides) {
  mem().working[Address(101)] = 0;
  EXPECT_EQ(CRReport(5), kWrongState);
  EXPECT_EQ(LastRoutine(), nullptr);
  mem().working[Address(101)] = 1;
  EXPECT_EQ(CRReport(5), kOk);
  EXPECT_EQ(LastRoutine()->data.back(), 1);  // mode byte
  EXPECT_NE(reg.paper().find("X REPORT"), std::string::npos);
}

TEST_F(ReportsTest, ClosingWithoutAShiftIs263AndSendsNoCommand) {
  EXPECT_EQ(CRCloseSwitch(), kWrongState);
  EXPECT_EQ(LastRoutine(), nullptr);
}

TEST_F(ReportsTest, ClosingTheShiftClearsItsTotals) {
  CheckItem item = Item(1, 10);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  ASSERT_TRUE(reg.ShiftOpen());
  EXPECT_EQ(CRCloseSwitch(), kOk);
  EXPECT_EQ(RoutineTimeout(612), 600000u);
  EXPECT_FALSE(reg.ShiftOpen());
  TradeTotals totals{};
  TradeCounters counters{};
  EXPECT_EQ(CRGetTradeResults(&totals, &counters, 0, 0), kOk);
  EXPECT_EQ(Field(totals.value[0]), 0);
  EXPECT_EQ(reg.DrawerCash(), 1000u);  // the cash stays in the drawer
}

// ---- Trade totals ----------------------------------------------------------------

class TradeResults : public ReportsTest {
 protected:
  // Amount k of a scope column, in hundredths, straight into the register.
  void PutAmount(int index, size_t offset, uint64_t hundredths) {
    sim::PutBe(std::span(mem().working).subspan(Address(index) + offset, 5), hundredths);
  }
  void PutCounter(int index, size_t offset, uint16_t v) {
    sim::PutBe(std::span(mem().working).subspan(Address(index) + offset, 2), v);
  }
  TradeTotals totals{};
  TradeCounters counters{};
};

TEST_F(TradeResults, WholeRegister) {
  PutAmount(353, 5 * 17, 12345);
  PutCounter(384, 2 * 10, 777);
  sim::PutBe(std::span(mem().working).subspan(Address(353), 5), 0xFFFFFFFFFFull);
  EXPECT_EQ(CRGetTradeResults(&totals, &counters, 0, 1), kOk);
  EXPECT_DOUBLE_EQ(Field(totals.value[0]), 10995116277.75);
  EXPECT_DOUBLE_EQ(Field(totals.value[17]), 123.45);
  EXPECT_EQ(Field(counters.count[10]), 777);
}

TEST_F(TradeResults, CashierWithAndWithoutRegistration) {
  PutAmount(354, 40 * 2 + 5 * 2, 500);  // amount 2 of cashier 3
  PutAmount(353, 5 * 2, 900);
  Configure(1, 1, 1, 16);
  EXPECT_EQ(CRGetTradeResults(&totals, &counters, 3, 1), kOk);
  EXPECT_DOUBLE_EQ(Field(totals.value[2]), 5.00);
  Configure(0, 1, 1, 16);
  EXPECT_EQ(CRGetTradeResults(&totals, &counters, 3, 1), kOk);
  EXPECT_DOUBLE_EQ(Field(totals.value[2]), 9.00);  // the whole register
}

TEST_F(TradeResults, SectionUsesFourteenAmountsAndSevenCounters) {
  PutAmount(355, 80 * 13 + 5 * 4, 4200);
  PutCounter(386, 32 * 6 + 2 * 4, 12);
  std::fill(std::begin(totals.value), std::end(totals.value), 99.0);
  std::fill(std::begin(counters.count), std::end(counters.count), 99);
  EXPECT_EQ(CRGetTradeResults(&totals, &counters, 5, 0), kOk);
  EXPECT_DOUBLE_EQ(Field(totals.value[13]), 42.0);
  EXPECT_EQ(Field(counters.count[6]), 12);
  for (int k = 14; k < 18; ++k) EXPECT_EQ(Field(totals.value[k]), 0.0);
  for (int k = 7; k < 11; ++k) EXPECT_EQ(Field(counters.count[k]), 0);
}

struct ScopeCase {
  const char* name;
  uint8_t storedSections;  // byte at 0x01E3: sections - 1
  uint32_t index;
  int32_t byCashier;
  ResultCode expected;
};

class Scopes : public TradeResults, public ::testing::WithParamInterface<ScopeCase> {};

TEST_P(Scopes, ArgumentTests) {
  mem().data[0x01E3] = GetParam().storedSections;
  RegisterConfiguration c{};
  ASSERT_EQ(CRGetConfiguration(&c), kOk);
  EXPECT_EQ(CRGetTradeResults(&totals, &counters, GetParam().index, GetParam().byCashier),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Reports, Scopes,
                         ::testing::Values(ScopeCase{"cashier_9", 15, 9, 1, kOutOfRange},
                                           ScopeCase{"section_9_of_8", 7, 9, 0, kConfiguration},
                                           ScopeCase{"section_17_of_16", 15, 17, 0, kConfiguration},
                                           ScopeCase{"section_17_of_20", 19, 17, 0, kOutOfRange},
                                           ScopeCase{"section_16_of_16", 15, 16, 0, kOk}),
                         ParamName());

TEST_F(TradeResults, NullRecordsAre257WithoutTraffic) {
  EXPECT_EQ(CRGetTradeResults(nullptr, &counters, 0, 0), kOutOfRange);
  EXPECT_EQ(CRGetTradeResults(&totals, nullptr, 0, 0), kOutOfRange);
  EXPECT_TRUE(NoTraffic());
}

// ---- Control tape decoding -----------------------------------------------------------

struct EntryCase {
  const char* name;
  std::vector<uint8_t> stored;
  uint8_t sections;
  double amount;
  int32_t section;
  int32_t group;
  int32_t kind;
  uint16_t extra1;
};

class TapeDecoding : public ::testing::TestWithParam<EntryCase> {};

TEST_P(TapeDecoding, Fields) {
  const auto& c = GetParam();
  const ControlTapeEntry e = DecodeTapeEntry(c.stored, c.sections);
  EXPECT_DOUBLE_EQ(Field(e.amount), c.amount);
  EXPECT_EQ(Field(e.section), c.section);
  EXPECT_EQ(Field(e.group), c.group);
  EXPECT_EQ(Field(e.kind), c.kind);
  EXPECT_EQ(Field(e.extraWord1), c.extra1);
}

INSTANTIATE_TEST_SUITE_P(
    Tape, TapeDecoding,
    ::testing::Values(
        EntryCase{
            "short_kind_6", {6 << 2, 0x00, 0x00, 0x00, 0x27, 0x10, 0x00}, 16, 100.0, 0, 0, 6, 0},
        EntryCase{"long_kind_3",
                  {3 << 2, 0, 0, 0x00, 0x00, 0x01, 0x86, 0xA0, 0, 5, 0},
                  16,
                  1000.0,
                  1,
                  0,
                  3,
                  0},
        EntryCase{
            "short_kind_3_has_no_amount", {3 << 2, 0, 0, 0x01, 0x02, 0x03, 0}, 16, 0.0, 1, 0, 3, 0},
        EntryCase{"section_16", {0, 0xE0, 0xC0, 0, 0, 100, 0x40}, 16, 1.0, 16, 3, 0, 0},
        EntryCase{"one_section", {0, 0xE0, 0x00, 0, 0, 100, 0x40}, 1, 1.0, 1, 0, 0, 0},
        EntryCase{"long_extra_words",
                  {0, 0x20, 0, 0, 0, 1, 0x12, 0x34, 0, 2, 0},
                  16,
                  0.01,
                  2,
                  0,
                  0,
                  0x1234}),
    ParamName());

TEST(TapeDecodingBits, CashierHourMinuteAndFlags) {
  const std::vector<uint8_t> stored{0xE3, 0x17, 0x3B, 0, 0, 0, 0x80};
  const ControlTapeEntry e = DecodeTapeEntry(stored, 16);
  EXPECT_EQ(Field(e.cashier), 8);
  EXPECT_EQ(Field(e.flag1), 1);
  EXPECT_EQ(Field(e.flag0), 1);
  EXPECT_EQ(Field(e.flagLast), 1);
  EXPECT_EQ(e.hour, 23);
  EXPECT_EQ(e.minute, 59);
}

// ---- Control tape enumeration ------------------------------------------------------

struct Collected {
  std::vector<ControlTapeEntry> entries;
  int stopAfter = 1000;
};

// The user value is 32 bits wide, too narrow for a pointer on 64-bit systems.
Collected* collected = nullptr;
int32_t VARNOLO_CALL CollectGlobal(const ControlTapeEntry* e, int32_t) {
  collected->entries.push_back(*e);
  return static_cast<int32_t>(collected->entries.size()) < collected->stopAfter ? 1 : 0;
}

class TapeTest : public ReportsTest {
 protected:
  void SetUp() override {
    ReportsTest::SetUp();
    collected = &got;
  }
  void Sell(int lines) {
    std::vector<CheckItem> items(static_cast<size_t>(lines), Item(1, 1.5));
    ASSERT_EQ(CRCreateCheck(items.data(), static_cast<uint32_t>(lines), 0, 0, 0), kOk);
    platform->ClearRecords();
  }
  std::vector<uint16_t> EntryReads() {
    std::vector<uint16_t> out;
    for (const Packet& p : platform->Packets()) {
      if (p.header.command == cmd::kReadData && p.header.address >= 0x3A3D)
        out.push_back(p.header.address);
    }
    return out;
  }
  Collected got;
};

TEST_F(TapeTest, EmptyTapeIs257WithoutACallback) {
  EXPECT_EQ(CREnumControlTapeEntries(CollectGlobal, 0), kOutOfRange);
  EXPECT_TRUE(got.entries.empty());
}

TEST_F(TapeTest, WholeTapeWithANoticeBetweenCountAndWalk) {
  Sell(2);  // two lines and the check total
  EXPECT_EQ(CREnumControlTapeEntries(CollectGlobal, 0), kOk);
  ASSERT_EQ(got.entries.size(), 3u);
  EXPECT_DOUBLE_EQ(Field(got.entries[0].amount), 1.5);
  EXPECT_EQ(Field(got.entries[2].kind), 6);
  EXPECT_EQ(Notices(), 2);
  EXPECT_EQ(Commands().front(), 0x0300);  // the count
}

TEST_F(TapeTest, OneEntryRangeReadsExactlyThatEntry) {
  Sell(5);
  EXPECT_EQ(CREnumCTEntriesFromShopping2(CollectGlobal, 5, 5, 0), kOk);
  EXPECT_EQ(EntryReads(), (std::vector<uint16_t>{static_cast<uint16_t>(0x3A3D + 4 * 11)}));
  EXPECT_EQ(got.entries.size(), 1u);
}

TEST_F(TapeTest, CallbackThatStopsEndsWith0AfterOneRead) {
  Sell(3);
  got.stopAfter = 1;
  EXPECT_EQ(CREnumControlTapeEntries(CollectGlobal, 0), kOk);
  EXPECT_EQ(EntryReads().size(), 1u);
}

TEST_F(TapeTest, LastEntryKeepsOnlyItsLow16Bits) {
  Sell(3);
  EXPECT_EQ(CREnumCTEntriesFromShopping2(CollectGlobal, 1, 0x10003, 0), kOk);
  EXPECT_EQ(got.entries.size(), 3u);
  EXPECT_EQ(CREnumCTEntriesFromShopping2(CollectGlobal, 0, 3, 0), kOutOfRange);
  EXPECT_EQ(CREnumCTEntriesFromShopping2(CollectGlobal, 4, 3, 0), kOutOfRange);
}

TEST_F(TapeTest, EntryBeyondTheEndOfDataMemoryIs257) {
  EXPECT_EQ(CREnumCTEntriesFromShopping2(CollectGlobal, 60000, 60001, 0), kOutOfRange);
  EXPECT_TRUE(got.entries.empty());
}

TEST_F(TapeTest, NullCallbackIs257WithoutTraffic) {
  EXPECT_EQ(CREnumControlTapeEntries(nullptr, 0), kOutOfRange);
  EXPECT_EQ(CREnumCTEntriesFromShopping(nullptr, 1, 0), kOutOfRange);
  EXPECT_EQ(CREnumCTEntriesFromShopping2(nullptr, 1, 2, 0), kOutOfRange);
  EXPECT_TRUE(NoTraffic());
}

int32_t VARNOLO_CALL CallBackIntoTheLibrary(const ControlTapeEntry*, int32_t) {
  uint32_t state = 0;
  return CRGetState(&state) == CR_OK && TheSession().callDepth == 3 ? 1 : 0;
}

TEST_F(TapeTest, CallbackMayCallTheLibraryInNestedFrames) {
  Sell(2);
  EXPECT_EQ(CREnumCTEntriesFromShopping2(CallBackIntoTheLibrary, 1, 3, 0), kOk);
  EXPECT_EQ(Notices(), 1);  // only the outermost frame tells the register
  EXPECT_EQ(TheSession().callDepth, 0);
}

TEST_F(TapeTest, InfoFlagsReadOnlyWhatIsAsked) {
  Sell(1);
  ControlTapeInfo info{};
  std::memset(&info, 0x5A, sizeof info);
  EXPECT_EQ(CRGetCTInfoEx(&info, 0), kOk);
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x2900}));
  EXPECT_EQ(Field(info.entryCount), 0x5A5A);
  EXPECT_EQ(CRGetCTInfo(&info), kOk);
  EXPECT_EQ(Field(info.shiftOpen), 1);
  EXPECT_EQ(Field(info.entryCount), 2);
  EXPECT_EQ(Field(info.year), 2026);
  EXPECT_EQ(info.month, 3);
  EXPECT_EQ(info.day, 2);
  EXPECT_EQ(info.hour, 10);
  EXPECT_EQ(CRGetCTInfo(nullptr), kOutOfRange);
}

TEST_F(TapeTest, ARecordIsNeededOnlyWhereAFieldIsFilled) {
  platform->ClearRecords();
  EXPECT_EQ(CRGetCTInfoEx(nullptr, 0), kOk);  // nothing to fill: just the notice
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x2900}));
  platform->ClearRecords();
  for (const uint32_t flag :
       {CR_CT_DATE_TIME, CR_CT_ENTRY_COUNT, CR_CT_STATE_BYTE, CR_CT_SHIFT_OPEN}) {
    EXPECT_EQ(CRGetCTInfoEx(nullptr, flag), kOutOfRange) << flag;
  }
  EXPECT_EQ(CRGetNumOfShoppings(nullptr), kOutOfRange);
  EXPECT_TRUE(NoTraffic());
}

TEST_F(TapeTest, ClosingIsRefusedByTheClosingStateAfterTheReadinessRoutine) {
  mem().data[0x36B2] = 2;
  EXPECT_EQ(CRCloseCT(), kWrongState);
  EXPECT_EQ(Routines(), (std::vector<int>{608}));
  mem().data[0x36B2] = 0;
  Sell(1);
  ASSERT_EQ(CRCloseSwitch(), kOk);
  EXPECT_EQ(CRCloseCT(), kOk);
  EXPECT_EQ(reg.TapeCount(), 0);
}

// ---- State and peripherals -----------------------------------------------------------

TEST_F(ReportsTest, StateBits) {
  uint32_t state = 0xFFFF;
  EXPECT_EQ(CRGetState(&state), kOk);
  EXPECT_EQ(state, CR_STATE_DRAWER_ALLOWED | CR_STATE_PRINT_ALLOWED | CR_STATE_LOCKED);
  EXPECT_EQ(CRAllowBoxMove(0), kOk);
  EXPECT_EQ(mem().flags[0x4E], 1);
  EXPECT_EQ(CRAllowPrintCheck(0), kOk);
  EXPECT_EQ(CRUnlockCashRegister(), kOk);
  EXPECT_EQ(CRGetState(&state), kOk);
  EXPECT_EQ(state, 0u);
  EXPECT_EQ(CRAllowBoxMove(5), kOk);
  EXPECT_EQ(mem().flags[0x4E], 0);
  EXPECT_EQ(CRGetState(nullptr), kOutOfRange);
}

TEST_F(ReportsTest, DisplayWritesItsByteThenSixteenCharacters) {
  EXPECT_EQ(CRDisplay("TOTAL 19.00", 0x1234, 1), kOk);
  ASSERT_EQ(platform->Packets().size(), 2u);  // no call frame, no notice
  EXPECT_EQ(platform->Packets()[0].header.address, Address(133) + 56);
  EXPECT_EQ(platform->Packets()[0].data, (std::vector<uint8_t>{0xFF}));
  EXPECT_EQ(platform->Packets()[1].header.address, 0x0134);
  EXPECT_EQ(reg.display(), "TOTAL 19.00     ");
  EXPECT_EQ(CRDisplay(nullptr, 0, 0), kOutOfRange);
}

TEST_F(ReportsTest, DrawerOpensWithoutAFrameAndRespectsItsPermission) {
  EXPECT_EQ(CRBoxOut(), kOk);
  EXPECT_EQ(Notices(), 0);
  EXPECT_EQ(RoutineTimeout(1504), 3000u);
  EXPECT_NE(reg.paper().find("DRAWER OPENED"), std::string::npos);
  mem().flags[0x4E] = 1;
  EXPECT_EQ(CRBoxOut(), sim::status::kDrawerLocked);
}

TEST_F(ReportsTest, DeviceTestAndFixedAnswers) {
  EXPECT_EQ(CRTestTPD(), kOk);
  EXPECT_EQ(RoutineTimeout(638), 10000u);
  EXPECT_EQ(CREGBQueryAnswer(0, 0, 0, 0), kNotCarriedOut);
  EXPECT_EQ(CRGetCRNumber(), 1u);
}

TEST_F(ReportsTest, ClosedPortIs256) {
  CRDestroyInterface();
  platform->ClearRecords();
  uint32_t state = 0;
  EXPECT_EQ(CRGetState(&state), kPortClosed);
  EXPECT_EQ(CRBoxOut(), kPortClosed);
  EXPECT_EQ(CRDisplay("x", 0, 0), kPortClosed);
  EXPECT_EQ(CRTestTPD(), kPortClosed);
  EXPECT_EQ(CRAllowBoxMove(1), kPortClosed);
  EXPECT_EQ(CRReport(5), kPortClosed);
  EXPECT_EQ(CRCloseCT(), kPortClosed);
  // The port comes before the pointer.
  EXPECT_EQ(CRGetNumOfShoppings(nullptr), kPortClosed);
  EXPECT_EQ(CRGetCTInfoEx(nullptr, 0xFFFFFFFFu), kPortClosed);
  EXPECT_EQ(CRGetCTInfo(nullptr), kPortClosed);
  EXPECT_EQ(CRGetCRNumber(), 0u);
  EXPECT_TRUE(NoTraffic());
}

class FlagAreaBeyond128 : public SimFixture, public ::testing::WithParamInterface<uint8_t> {
 protected:
  FlagAreaBeyond128() : SimFixture({GetParam(), 1, 1800}) {}
};

TEST_P(FlagAreaBeyond128, PrintPermissionIs257) {
  Start();
  EXPECT_EQ(CRAllowPrintCheck(1), kOutOfRange);
  uint32_t state = 0;
  EXPECT_EQ(CRGetState(&state), kOutOfRange);
  EXPECT_EQ(state, CR_STATE_DRAWER_ALLOWED);
}

INSTANTIATE_TEST_SUITE_P(Reports, FlagAreaBeyond128, ::testing::Values(4, 7));

}  // namespace
}  // namespace varnolo::test
