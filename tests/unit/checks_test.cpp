// Every check kind against the simulated register: the records on the wire,
// the routines run, the argument and capacity tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "link/commands.h"
#include "support/check_fixture.h"
#include "support/packed_field.h"
#include "support/param_name.h"

namespace varnolo::test {
namespace {

const double kNaN = std::nan("");
const double kInf = std::numeric_limits<double>::infinity();

class SaleCheck : public CheckFixture {};

TEST_F(SaleCheck, WorkedExampleByteForByte) {
  Configure(0, 1, 0, 16);
  CheckItem item = Item(2, 10.00, 0, 5, 1, 0);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  std::vector<uint8_t> line(102, 0);
  const std::vector<std::pair<size_t, std::vector<uint8_t>>> fields{{0, {0x01}},
                                                                    {1, {0, 0, 0, 1, 0, 0, 0}},
                                                                    {8, {0x01}},
                                                                    {9, {0, 0, 2, 0, 0, 0}},
                                                                    {15, {0, 0, 0, 2, 0, 0, 0}},
                                                                    {23, {0x01}},
                                                                    {29, {0, 5, 0, 0}},
                                                                    {33, {0, 0, 0, 0, 1, 0, 0}},
                                                                    {40, {0, 0, 0, 1, 9, 0, 0}},
                                                                    {87, {0, 0, 0, 1, 9, 0, 0}},
                                                                    {94, {0x00, 0x07, 0x6C}},
                                                                    {100, {0x07, 0xD0}}};
  for (const auto& [offset, bytes] : fields)
    std::copy(bytes.begin(), bytes.end(), line.begin() + offset);
  EXPECT_EQ(WorkingWrite(0x0000), line);

  std::vector<uint8_t> totals(63, 0);
  totals[0] = 1;
  totals[2] = 1;
  const std::vector<uint8_t> total12{0, 0, 0, 0, 0, 0, 0, 0, 1, 9, 0, 0};
  std::copy(total12.begin(), total12.end(), totals.begin() + 5);
  const std::vector<uint8_t> net10{0, 0, 0, 0, 0, 0, 1, 9, 0, 0};
  std::copy(net10.begin(), net10.end(), totals.begin() + 27);
  totals[60] = 0x07;
  totals[61] = 0x6C;
  EXPECT_EQ(WorkingWrite(0x07F8), totals);
  EXPECT_EQ(RoutineTimeout(617), 9000u);
  EXPECT_EQ(Routines(), (std::vector<int>{885, 617, 885}));
}

TEST_F(SaleCheck, QuantityOfExactlyOneHasFlag0ButThousandthsAtOffset100) {
  CheckItem item = Item(1.0, 5);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  const auto line = WorkingWrite(0);
  EXPECT_EQ(line[8], 0);
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + 9, line.begin() + 15),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(line[100] << 8 | line[101], 1000);
}

TEST_F(SaleCheck, EqualRaiseAndDiscountCancel) {
  CheckItem item = Item(1, 50, 10, 10);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  const auto line = WorkingWrite(0);
  EXPECT_EQ(line[22], 1);
  EXPECT_EQ(line[23], 1);
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + 33, line.begin() + 40), std::vector<uint8_t>(7, 0));
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + 40, line.begin() + 47),
            std::vector<uint8_t>(line.begin() + 15, line.begin() + 22));
}

TEST_F(SaleCheck, TwentyLinesFillTheLineAreaUpTo07F7) {
  std::vector<CheckItem> items(20, Item(1, 1));
  ASSERT_EQ(CRCreateCheck(items.data(), 20, 0, 0, 0), kOk);
  EXPECT_EQ(WorkingWrite(102 * 19).size(), 102u);
  EXPECT_EQ(102 * 19 + 101, 0x07F7);
  EXPECT_EQ(RoutineTimeout(617), 5000u * 20 + 4000);
  EXPECT_EQ(reg.TapeCount(), 21);
}

TEST_F(SaleCheck, TruncationIsWrittenBack) {
  CheckItem item = Item(1.23456, 12.349, 1.999, 2.005);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  EXPECT_DOUBLE_EQ(Field(item.price), 12.34);
  EXPECT_DOUBLE_EQ(Field(item.quantity), 1.234);
  EXPECT_DOUBLE_EQ(Field(item.raisePercent), 1.99);
  EXPECT_DOUBLE_EQ(Field(item.discountPercent), 2.0);
  const auto line = WorkingWrite(0);
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + 1, line.begin() + 8),
            (std::vector<uint8_t>{0, 0, 0, 1, 2, 3, 4}));
}

struct PaymentCase {
  const char* name;
  double paid;
  int32_t paidGiven;
  int32_t nonCash;
  ResultCode expected;
  uint8_t byte2;
  uint8_t byte3;
};

class Payment : public SaleCheck, public ::testing::WithParamInterface<PaymentCase> {};

TEST_P(Payment, TestAndTotalsBytes) {
  CheckItem item = Item(2, 10, 0, 5);  // total 19.00
  const auto& c = GetParam();
  EXPECT_EQ(CRCreateCheck(&item, 1, c.paid, c.paidGiven, c.nonCash), c.expected);
  if (c.expected == kNotEnoughCash) {
    EXPECT_EQ(Routines(), (std::vector<int>{885, 885}));
    EXPECT_TRUE(WorkingWrite(0x07F8).empty());
    return;
  }
  const auto totals = WorkingWrite(0x07F8);
  EXPECT_EQ(totals[2], c.byte2);
  EXPECT_EQ(totals[3], c.byte3);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, Payment,
    ::testing::Values(PaymentCase{"cash_exact", 19.00, 1, 0, kOk, 0, 0},
                      PaymentCase{"cash_one_hundredth_short", 18.99, 1, 0, kNotEnoughCash, 0, 0},
                      PaymentCase{"cash_nothing_given", 0, 0, 0, kOk, 1, 0},
                      PaymentCase{"non_cash", 0, 0, 1, kOk, 0, 2},
                      PaymentCase{"cash_negative", -1, 1, 0, kNotEnoughCash, 0, 0},
                      PaymentCase{"non_cash_paid_short", 10, 1, 1, kOk, 0, 2}),
    ParamName());

TEST_F(SaleCheck, CashWithChange) {
  CheckItem item = Item(2, 10, 0, 5);
  ASSERT_EQ(CRCreateCheck(&item, 1, 50, 1, 0), kOk);
  const auto t = WorkingWrite(0x07F8);
  EXPECT_EQ(std::vector<uint8_t>(t.begin() + 37, t.begin() + 47),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 5, 0, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(t.begin() + 47, t.begin() + 57),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 3, 1, 0, 0}));
  EXPECT_EQ(reg.DrawerCash(), 1900u);
}

TEST_F(SaleCheck, TaxComesFromTheRegistersRate) {
  ASSERT_EQ(CRSetTaxVal(20, 1), kOk);
  platform->ClearRecords();
  CheckItem item = Item(3, 3.33, 0, 0, 2, 1);  // line sum 9.99, tax 1.998
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  const auto line = WorkingWrite(0);
  EXPECT_EQ(line[79], 1);
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + 80, line.begin() + 87),
            (std::vector<uint8_t>{0, 0, 0, 0, 2, 0, 0}));
  EXPECT_EQ(line[97] << 16 | line[98] << 8 | line[99], 200);
  const auto t = WorkingWrite(0x07F8);
  EXPECT_EQ(t[1], 1);
  EXPECT_EQ(std::vector<uint8_t>(t.begin() + 5, t.begin() + 17),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 9, 9}));
}

TEST_F(SaleCheck, TaxesOffMeanNoTaxNumberWhateverTheCallerSaid) {
  Configure(0, 1, 0, 16);
  CheckItem item = Item(1, 10, 0, 0, 1, 3);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  EXPECT_EQ(WorkingWrite(0)[79], 0);
  EXPECT_EQ(WorkingWrite(0x07F8)[1], 0);
}

struct BadLineCase {
  const char* name;
  CheckItem item;
  ResultCode expected;
};

class BadLine : public SaleCheck, public ::testing::WithParamInterface<BadLineCase> {};

TEST_P(BadLine, RefusedBeforeAnyDocumentTraffic) {
  Configure(0, 1, 1, 8);
  CheckItem item = GetParam().item;
  EXPECT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), GetParam().expected);
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x2900}));  // only the frame's notice
}

INSTANTIATE_TEST_SUITE_P(
    Checks, BadLine,
    ::testing::Values(BadLineCase{"section_0", Item(1, 1, 0, 0, 0), kOutOfRange},
                      BadLineCase{"section_17", Item(1, 1, 0, 0, 17), kOutOfRange},
                      BadLineCase{"section_9_of_8", Item(1, 1, 0, 0, 9), kConfiguration},
                      BadLineCase{"price_negative", Item(1, -0.01), kOutOfRange},
                      BadLineCase{"price_nan", Item(1, kNaN), kOutOfRange},
                      BadLineCase{"price_infinite", Item(1, kInf), kOutOfRange},
                      BadLineCase{"quantity_above_65_535", Item(65.536, 1), kOutOfRange},
                      BadLineCase{"quantity_nan", Item(kNaN, 1), kOutOfRange},
                      BadLineCase{"raise_nan", Item(1, 1, kNaN), kOutOfRange},
                      BadLineCase{"discount_100", Item(1, 1, 0, 100), kOutOfRange},
                      BadLineCase{"discount_minus_infinity", Item(1, 1, 0, -kInf), kOutOfRange},
                      BadLineCase{"tax_4", Item(1, 1, 0, 0, 1, 4), kOutOfRange},
                      BadLineCase{"amount_above_99999_99", Item(2, 50000), kAmountTooLarge}),
    ParamName());

TEST_F(SaleCheck, CountAndPointerChecksComeFirst) {
  CheckItem items[21]{};
  EXPECT_EQ(CRCreateCheck(items, 0, 0, 0, 0), kOutOfRange);
  EXPECT_EQ(CRCreateCheck(items, 21, 0, 0, 0), kOutOfRange);
  EXPECT_EQ(CRCreateCheck(nullptr, 1, 0, 0, 0), kOutOfRange);
  CheckItem item = Item(1, 1);
  // An amount paid with no digit form in the totals record.
  for (const double paid : {kNaN, kInf, 100000000.0}) {
    EXPECT_EQ(CRCreateCheck(&item, 1, paid, 1, 0), kOutOfRange) << paid;
  }
  EXPECT_EQ(CRCreateCheck(&item, 1, -1, 1, 1),
            kOutOfRange);  // non-cash: no change test to refuse it
  EXPECT_TRUE(NoTraffic());
  EXPECT_EQ(CRCreateCheck(&item, 1, kNaN, 0, 0), kOk);  // paid is not used without paidGiven
}

TEST_F(SaleCheck, ALineErrorComesBeforeThePaymentTest) {
  CheckItem item = Item(2, 50000);
  EXPECT_EQ(CRCreateCheck(&item, 1, -1, 1, 0), kAmountTooLarge);
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x2900}));
}

TEST_F(SaleCheck, LineSumAboveTheLimitAfterARaiseAbandonsWithAReset) {
  CheckItem item = Item(1, 99000, 5);  // amount passes, line sum 103950 does not
  EXPECT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kAmountTooLarge);
  EXPECT_EQ(Routines(), (std::vector<int>{885, 885}));
}

TEST_F(SaleCheck, ShiftVerificationAndTapeCapacity) {
  OpenShift();
  SetFillCounter(1600 - 21);  // goods base on: limit 1600
  CheckItem item = Item(1, 1);
  EXPECT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kTapeFull);
  EXPECT_EQ(Routines(), (std::vector<int>{608}));
  mem().data[0x37B1] = 0;
  Configure(0, 0, 1, 16, 0);  // short tape entries: the register has room for 2551
  OpenShift();
  SetFillCounter(2515 - 21 - 1);
  EXPECT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  SetFillCounter(2515 - 21);
  EXPECT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kTapeFull);
}

TEST_F(SaleCheck, ShiftOlderThan24HoursIsRefusedWith265) {
  CheckItem item = Item(1, 1);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);  // opens the shift
  hostSeconds += 25 * 3600;
  EXPECT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kShiftRefused);
}

// ---- Extended lines --------------------------------------------------------

CheckItemEx ItemEx(double quantity, double price, int32_t byPieces, const char* name,
                   const char* barcode) {
  CheckItemEx e{};
  e.quantity = quantity;
  e.price = price;
  e.section = 1;
  e.byPieces = byPieces;
  std::memcpy(e.name, name, std::min<size_t>(std::strlen(name), 16));
  std::memcpy(e.barcode, barcode, std::min<size_t>(std::strlen(barcode), 16));
  return e;
}

TEST_F(SaleCheck, PieceLineIsCutToWholePieces) {
  CheckItemEx e = ItemEx(3.7, 2, 1, "Bun", "4600000000017");
  ASSERT_EQ(CRCreateCheckEx(&e, 1, 0, 0, 0), kOk);
  EXPECT_DOUBLE_EQ(Field(e.quantity), 3);
  const auto line = WorkingWrite(0);
  EXPECT_EQ(line[8], 1);
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + 9, line.begin() + 15),
            (std::vector<uint8_t>{0, 0, 3, 0, 0, 0}));
  EXPECT_EQ(line[100] << 8 | line[101], 3);
  EXPECT_EQ(line[47], 3);
  EXPECT_EQ(line[48], 'B');
  EXPECT_EQ(line[63 + 12], 7);
  EXPECT_EQ(line[78], 0);
}

TEST_F(SaleCheck, WeighedLineWithoutBarcode) {
  CheckItemEx e = ItemEx(0.25, 400, 0, "Cheese", "");
  ASSERT_EQ(CRCreateCheckEx(&e, 1, 0, 0, 0), kOk);
  const auto line = WorkingWrite(0);
  EXPECT_EQ(line[78], 1);
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + 63, line.begin() + 76),
            std::vector<uint8_t>(13, 0));
  EXPECT_EQ(line[100] << 8 | line[101], 250);
}

struct BarcodeCase {
  const char* name;
  const char* barcode;
};

class BadBarcode : public SaleCheck, public ::testing::WithParamInterface<BarcodeCase> {};

TEST_P(BadBarcode, Is257) {
  CheckItemEx e = ItemEx(1, 1, 1, "x", GetParam().barcode);
  EXPECT_EQ(CRCreateCheckEx(&e, 1, 0, 0, 0), kOutOfRange);
}

INSTANTIATE_TEST_SUITE_P(Checks, BadBarcode,
                         ::testing::Values(BarcodeCase{"letter", "46000A0000017"},
                                           BarcodeCase{"short", "460000"}),
                         ParamName());

TEST_F(SaleCheck, ExtendedLinesNeedTheirConfiguration) {
  Configure(0, 1, 1, 16, 0);
  CheckItemEx e = ItemEx(1, 1, 1, "x", "");
  EXPECT_EQ(CRCreateCheckEx(&e, 1, 0, 0, 0), kConfiguration);
}

// ---- Goods-base check --------------------------------------------------------

class GoodsBaseCheck : public CheckFixture {
 protected:
  void SetUp() override {
    CheckFixture::SetUp();
    GoodsEntry bun{};
    bun.price = 12.5;
    bun.byPieces = 1;
    bun.section = 2;
    std::memcpy(bun.name, "Bun", 3);
    std::memcpy(bun.barcode, "4600000000017", 13);
    ASSERT_EQ(CRSetInternalGBEntry(&bun, 600), kOk);
    GoodsEntry ham = bun;
    ham.byPieces = 0;
    ham.price = 500;
    std::memcpy(ham.name, "Ham", 3);
    ASSERT_EQ(CRSetInternalGBEntry(&ham, 601), kOk);
    platform->ClearRecords();
  }
};

TEST_F(GoodsBaseCheck, PiecesAreCutAndTheEntryFillsTheLine) {
  CheckItem item = Item(2.9, 999.0, 0, 0, 15, 0);
  ASSERT_EQ(CRCreateIntGBCheck(&item, 600), kOk);
  EXPECT_DOUBLE_EQ(Field(item.quantity), 2);
  EXPECT_DOUBLE_EQ(Field(item.price), 999.0);  // not read, not changed
  EXPECT_EQ(Field(item.section), 15u);
  const auto line = WorkingWrite(0);
  EXPECT_EQ(line[0], 2);
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + 9, line.begin() + 15),
            (std::vector<uint8_t>{0, 0, 2, 0, 0, 0}));
  EXPECT_EQ(line[100] << 8 | line[101], 2);
  EXPECT_EQ(line[47], 1);
  EXPECT_EQ(line[76] << 8 | line[77], 600);
  EXPECT_EQ(line[78], 0);
  EXPECT_EQ(WorkingWrite(0x07F8)[2], 1);
  EXPECT_EQ(RoutineTimeout(617), 20000u);
}

TEST_F(GoodsBaseCheck, WeighedQuantityOfOne) {
  CheckItem item = Item(1.0, 0);
  ASSERT_EQ(CRCreateIntGBCheck(&item, 601), kOk);
  const auto line = WorkingWrite(0);
  EXPECT_EQ(line[8], 0);
  EXPECT_EQ(line[14], 1);
  EXPECT_EQ(line[100] << 8 | line[101], 1000);
  EXPECT_EQ(line[78], 1);
}

TEST_F(GoodsBaseCheck, TaxNumberIsTestedOnlyWithTaxesOn) {
  CheckItem item = Item(1, 0, 0, 0, 1, 7);
  EXPECT_EQ(CRCreateIntGBCheck(&item, 600), kOutOfRange);
  Configure(0, 1, 0, 16);
  EXPECT_EQ(CRCreateIntGBCheck(&item, 600), kOk);
  EXPECT_EQ(WorkingWrite(0)[79], 0);
}

TEST_F(GoodsBaseCheck, RefusalsOfItsOwn) {
  CheckItem zero = Item(0.4, 0);
  EXPECT_EQ(CRCreateIntGBCheck(&zero, 600), kOutOfRange);  // no piece at all
  CheckItem nan = Item(kNaN, 0);
  EXPECT_EQ(CRCreateIntGBCheck(&nan, 601), kOutOfRange);
  CheckItem one = Item(1, 0);
  EXPECT_EQ(CRCreateIntGBCheck(&one, 602), kGoodsEmpty);
  EXPECT_EQ(CRCreateIntGBCheck(nullptr, 600), kOutOfRange);
  CheckItem heavy = Item(65, 0);  // 65 kg at 500
  EXPECT_EQ(CRCreateIntGBCheck(&heavy, 601), kOk);
  mem().data[0x37B1] = 0;
  Configure(0, 0, 1, 16);
  EXPECT_EQ(CRCreateIntGBCheck(&one, 600), kConfiguration);
}

// ---- Decorated check -----------------------------------------------------------

class DecoratedCheckTest : public CheckFixture {};

TEST_F(DecoratedCheckTest, CallerRecordIsUntouchedAndTheTextTravelsWithTheRun) {
  DecoratedCheck d{};
  d.amount = 10.129;
  std::strcpy(d.text, "Gift voucher");
  ASSERT_EQ(CRCreateDecoratedCheck(&d), kOk);
  EXPECT_DOUBLE_EQ(Field(d.amount), 10.129);
  const auto line = WorkingWrite(0);
  EXPECT_EQ(line[94] << 16 | line[95] << 8 | line[96], 1012);
  EXPECT_EQ(line[47], 1);
  EXPECT_EQ((std::vector<uint8_t>{line[48], line[49], line[50], line[76], line[77]}),
            (std::vector<uint8_t>{3, 0, 2, 1, 0}));
  const auto t = WorkingWrite(0x07F8);
  EXPECT_EQ(t[62], 1);
  EXPECT_EQ(t[2], 1);
  const Packet* run = nullptr;
  for (const Packet& p : platform->Packets()) {
    if (p.header.command == cmd::kCallRoutine && p.header.length == 257) run = &p;
  }
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(std::string(run->data.begin() + 2, run->data.begin() + 14), "Gift voucher");
}

TEST_F(DecoratedCheckTest, AmountBounds) {
  DecoratedCheck d{};
  d.amount = -0.01;
  EXPECT_EQ(CRCreateDecoratedCheck(&d), kOutOfRange);
  d.amount = kNaN;
  EXPECT_EQ(CRCreateDecoratedCheck(&d), kOutOfRange);
  d.amount = 100000;
  EXPECT_EQ(CRCreateDecoratedCheck(&d), kAmountTooLarge);
  EXPECT_EQ(CRCreateDecoratedCheck(nullptr), kOutOfRange);
  for (const Packet& p : platform->Packets()) EXPECT_EQ(p.header.command, 0x2900);
}

// ---- Cash in and out -------------------------------------------------------------

class CashDocuments : public CheckFixture {};

TEST_F(CashDocuments, CashInOf100Point004) {
  ASSERT_EQ(CRCreateInputCheck(100.004), kOk);
  const auto t = WorkingWrite(0x07F8);
  EXPECT_EQ(std::vector<uint8_t>(t.begin() + 5, t.begin() + 17),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(t.begin() + 57, t.begin() + 62),
            (std::vector<uint8_t>{0, 0, 0, 0x27, 0x10}));
  EXPECT_EQ(t[3], 3);
  EXPECT_EQ(Routines(), (std::vector<int>{885, 617, 885}));  // no verification without a shift
  EXPECT_EQ(RoutineTimeout(617), 20000u);
  EXPECT_EQ(reg.DrawerCash(), 10000u);
}

struct CashAmountCase {
  const char* name;
  bool cashIn;
  double amount;
  ResultCode expected;
};

class CashAmounts : public CashDocuments, public ::testing::WithParamInterface<CashAmountCase> {};

TEST_P(CashAmounts, CutToHundredthsThenTested) {
  OpenShift();
  SetDrawerCash(100000000);
  const auto& c = GetParam();
  EXPECT_EQ(c.cashIn ? CRCreateInputCheck(c.amount) : CRCreateTakeoffCheck(c.amount), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Checks, CashAmounts,
                         ::testing::Values(CashAmountCase{"in_99999_995", true, 99999.995, kOk},
                                           CashAmountCase{"in_100000", true, 100000, kOutOfRange},
                                           CashAmountCase{"in_negative", true, -5, kOutOfRange},
                                           CashAmountCase{"in_nan", true, kNaN, kOutOfRange},
                                           CashAmountCase{"out_0_004", false, 0.004, kOutOfRange},
                                           CashAmountCase{"out_infinite", false, kInf, kOutOfRange},
                                           CashAmountCase{"out_0_01", false, 0.01, kOk}),
                         ParamName());

TEST_F(CashDocuments, CashOutNeedsAShift) {
  EXPECT_EQ(CRCreateTakeoffCheck(1), kWrongState);
  EXPECT_TRUE(Routines().empty());
}

struct CapacityCase {
  const char* name;
  int32_t goodsBase;
  uint16_t fill;
  ResultCode expected;
};

class CashCapacity : public CashDocuments, public ::testing::WithParamInterface<CapacityCase> {};

TEST_P(CashCapacity, FillPlusReserveStaysBelowTheLimit) {
  Configure(0, GetParam().goodsBase, 1, 16, GetParam().goodsBase);
  OpenShift();
  SetFillCounter(GetParam().fill);
  EXPECT_EQ(CRCreateInputCheck(1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Checks, CashCapacity,
                         ::testing::Values(CapacityCase{"off_2492", 0, 2492, kOk},
                                           CapacityCase{"off_2493", 0, 2493, kTapeFull},
                                           CapacityCase{"on_1578", 1, 1578, kOk},
                                           CapacityCase{"on_1579", 1, 1579, kTapeFull}),
                         ParamName());

TEST_F(CashDocuments, DrawerWithoutCashiers) {
  OpenShift();
  SetDrawerCash(5000);  // 00 00 00 13 88
  EXPECT_EQ(CRCreateTakeoffCheck(50.01), kNotEnoughCash);
  EXPECT_EQ(CRCreateTakeoffCheck(50.00), kOk);
  EXPECT_EQ(reg.DrawerCash(), 0u);
}

TEST_F(CashDocuments, CashierCashQuerySendsItsParameters) {
  Configure(1, 1, 1, 16);
  mem().working[Address(32)] = 1;
  OpenShift();
  ASSERT_EQ(CRCreateInputCheck(30), kOk);
  platform->ClearRecords();
  EXPECT_EQ(CRCreateTakeoffCheck(30.01), kNotEnoughCash);
  const Packet* query = nullptr;
  for (const Packet& p : platform->Packets()) {
    if (p.header.command == cmd::kCallRoutine && p.header.address == Address(948)) query = &p;
  }
  ASSERT_NE(query, nullptr);
  const uint16_t cell = static_cast<uint16_t>(Address(104) + 200);
  EXPECT_EQ(query->data,
            (std::vector<uint8_t>{0x01, 4, 3, static_cast<uint8_t>(Address(949)),
                                  static_cast<uint8_t>(Address(949) >> 8), 1,
                                  static_cast<uint8_t>(cell >> 8), static_cast<uint8_t>(cell), 0}));
  EXPECT_EQ(CRCreateTakeoffCheck(30.00), kOk);
}

// ---- Pack and money back ------------------------------------------------------------

class PayOut : public CheckFixture {
 protected:
  void SetUp() override {
    CheckFixture::SetUp();
    OpenShift();
    SetDrawerCash(100000);
  }
};

TEST_F(PayOut, PackCheckRecords) {
  ASSERT_EQ(CRCreatePackCheck(3, 0.29), kOk);
  const auto line = WorkingWrite(0);
  EXPECT_EQ(line[0], 3);
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + 1, line.begin() + 8),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 2, 9}));
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + 94, line.begin() + 97),
            (std::vector<uint8_t>{0, 0, 0x1D}));
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + 40, line.begin() + 47), std::vector<uint8_t>(7, 0));
  const auto t = WorkingWrite(0x07F8);
  EXPECT_EQ(std::vector<uint8_t>(t.begin() + 57, t.begin() + 62),
            (std::vector<uint8_t>{0, 0, 0, 0, 0x1D}));
  EXPECT_EQ(t[3], 7);
}

TEST_F(PayOut, MoneyBackFillsTheLineSums) {
  ASSERT_EQ(CRCreateMoneyBackCheck(1, 12.5), kOk);
  const auto line = WorkingWrite(0);
  const std::vector<uint8_t> digits{0, 0, 0, 1, 2, 5, 0};
  for (size_t offset : {1, 40, 87}) {
    EXPECT_EQ(std::vector<uint8_t>(line.begin() + static_cast<long>(offset),
                                   line.begin() + static_cast<long>(offset) + 7),
              digits);
  }
  EXPECT_EQ(WorkingWrite(0x07F8)[3], 1);
  EXPECT_EQ(reg.DrawerCash(), 100000u - 1250);
}

TEST_F(PayOut, ArgumentsAndState) {
  EXPECT_EQ(CRCreatePackCheck(0, 1), kOutOfRange);
  EXPECT_EQ(CRCreatePackCheck(17, 1), kOutOfRange);
  EXPECT_EQ(CRCreatePackCheck(1, 0.004), kOutOfRange);
  EXPECT_EQ(CRCreateMoneyBackCheck(1, kNaN), kOutOfRange);
  EXPECT_TRUE(NoTraffic());
  mem().data[0x37B1] = 0;
  Configure(0, 1, 1, 8);
  OpenShift();
  EXPECT_EQ(CRCreatePackCheck(9, 1), kConfiguration);
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x2900}));
  SetDrawerCash(9999999);
  EXPECT_EQ(CRCreatePackCheck(1, 99999.999), kOk);  // cut to 99999.99
  EXPECT_EQ(reg.DrawerCash(), 0u);
}

TEST_F(PayOut, FillCounter2493PassesAnd2494DoesNot) {
  mem().data[0x37B1] = 0;
  Configure(0, 0, 1, 16, 0);
  OpenShift();
  SetFillCounter(2493);
  EXPECT_EQ(CRCreatePackCheck(1, 1), kOk);
  SetFillCounter(2494);
  EXPECT_EQ(CRCreatePackCheck(1, 1), kTapeFull);
}

TEST_F(PayOut, NoShiftIs263AndNothingIsLaidOut) {
  mem().data[0x37B1] = 0;
  EXPECT_EQ(CRCreateMoneyBackCheck(1, 1), kWrongState);
  EXPECT_TRUE(Routines().empty());
}

// ---- Annulment ----------------------------------------------------------------------

class Annulment : public CheckFixture {};

TEST_F(Annulment, NoShiftIs263AfterTheVerification) {
  EXPECT_EQ(CRAnnulCheck(), kWrongState);
  EXPECT_EQ(Routines(), (std::vector<int>{608}));
}

TEST_F(Annulment, StatusByte0MeansNothingToAnnul) {
  OpenShift();
  EXPECT_EQ(CRAnnulCheck(), kWrongState);
  EXPECT_EQ(Routines(), (std::vector<int>{608, 885, 899}));
}

TEST_F(Annulment, AnyNonzeroStatusRunsTheAnnulment) {
  CheckItem item = Item(2, 10, 0, 5);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  ASSERT_EQ(reg.DrawerCash(), 1900u);
  platform->ClearRecords();
  EXPECT_EQ(CRAnnulCheck(), kOk);
  EXPECT_EQ(Routines(), (std::vector<int>{608, 885, 899, 617, 885}));
  EXPECT_EQ(RoutineTimeout(617), 20000u);
  EXPECT_EQ(reg.DrawerCash(), 0u);
  EXPECT_EQ(CRAnnulCheck(), kWrongState);  // the same check only once
}

TEST_F(Annulment, RefusedVerificationIs265) {
  CheckItem item = Item(1, 1);
  ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);
  hostSeconds += 25 * 3600;
  EXPECT_EQ(CRAnnulCheck(), kShiftRefused);
}

}  // namespace
}  // namespace varnolo::test
