#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "link/commands.h"
#include "support/packed_field.h"
#include "support/param_name.h"
#include "support/sim_peer.h"

namespace varnolo::test {
namespace {

GoodsEntry Entry(const char* name, const char* barcode, double price, int32_t byPieces,
                 uint32_t section) {
  GoodsEntry e{};
  std::memcpy(e.name, name, strnlen(name, sizeof e.name - 1));
  std::memcpy(e.barcode, barcode, strnlen(barcode, sizeof e.barcode - 1));
  e.price = price;
  e.byPieces = byPieces;
  e.section = section;
  return e;
}

class GoodsBaseTest : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    Start();
  }
  // Address of the last goods write and the memory it went to.
  std::pair<uint16_t, uint16_t> LastWrite() {
    for (auto it = platform->Packets().rbegin(); it != platform->Packets().rend(); ++it) {
      if (it->header.command == cmd::kWriteData || it->header.command == cmd::kWriteGoods) {
        return {it->header.command, it->header.address};
      }
    }
    return {0, 0};
  }
  const GoodsEntry cola = Entry("Cola", "4600000000000", 12.345, 1, 3);
};

struct PlaceCase {
  const char* name;
  uint32_t number;
  uint16_t command;
  uint16_t address;
};

class Placement : public GoodsBaseTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(Placement, EntryGoesToItsMemoryAndAddress) {
  ASSERT_EQ(CRSetInternalGBEntry(&cola, GetParam().number), kOk);
  EXPECT_EQ(LastWrite(), std::make_pair(GetParam().command, GetParam().address));
  GoodsEntry back{};
  EXPECT_EQ(CRGetInternalGBEntry(&back, GetParam().number), kOk);
  EXPECT_STREQ(back.barcode, "4600000000000");
}

INSTANTIATE_TEST_SUITE_P(GoodsBase, Placement,
                         ::testing::Values(PlaceCase{"entry_1", 1, cmd::kWriteData, 0x0598},
                                           PlaceCase{"entry_500", 500, cmd::kWriteData, 0x3653},
                                           PlaceCase{"entry_501", 501, cmd::kWriteGoods, 0x0000},
                                           PlaceCase{"entry_1800", 1800, cmd::kWriteGoods, 0x7EDB}),
                         ParamName());

TEST_F(GoodsBaseTest, PackedBytes) {
  ASSERT_EQ(CRSetInternalGBEntry(&cola, 1), kOk);
  const uint8_t* p = &mem().data[0x0598];
  EXPECT_EQ(std::vector<uint8_t>(p, p + 15),
            (std::vector<uint8_t>{'C', 'o', 'l', 'a', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                  ' ', 0}));
  EXPECT_EQ(std::vector<uint8_t>(p + 15, p + 20),
            (std::vector<uint8_t>{0x6B, 0x1A, 0x22, 0xF8, 0x00}));
  EXPECT_EQ(std::vector<uint8_t>(p + 20, p + 23),
            (std::vector<uint8_t>{0x00, 0x04, 0xD3}));  // 1235
  EXPECT_EQ(p[23], 0x20);                               // section 3, 13th digit 0
  EXPECT_EQ(p[24] & 0x80, 0);
  GoodsEntry back{};
  EXPECT_EQ(CRGetInternalGBEntry(&back, 1), kOk);
  EXPECT_STREQ(back.name, "Cola          ");
  EXPECT_DOUBLE_EQ(Field(back.price), 12.35);
  EXPECT_EQ(Field(back.byPieces), 1);
  EXPECT_EQ(Field(back.section), 3u);
}

TEST_F(GoodsBaseTest, ComputedCheckDigitAndWeightMark) {
  const GoodsEntry ean = Entry("Cheese", "2012345678903", 1.0, 2, 1);
  ASSERT_EQ(CRSetInternalGBEntry(&ean, 2), kOk);
  EXPECT_EQ(mem().data[0x0598 + 25 + 23] & 0x0F, 15);
  GoodsEntry back{};
  ASSERT_EQ(CRGetInternalGBEntry(&back, 2), kOk);
  EXPECT_STREQ(back.barcode, "2012345678903");
  EXPECT_EQ(Field(back.byPieces), 2);

  const GoodsEntry weighed = Entry("Ham", "", 0.004, 0, 16);
  ASSERT_EQ(CRSetInternalGBEntry(&weighed, 3), kOk);
  ASSERT_EQ(CRGetInternalGBEntry(&back, 3), kOk);
  EXPECT_EQ(Field(back.byPieces), 0);
  EXPECT_DOUBLE_EQ(Field(back.price), 0);
  EXPECT_STREQ(back.barcode, "0000000000000");
  EXPECT_EQ(Field(back.section), 16u);

  const GoodsEntry noBarcode = Entry("Bread", "", 1.0, 2, 1);
  ASSERT_EQ(CRSetInternalGBEntry(&noBarcode, 4), kOk);
  ASSERT_EQ(CRGetInternalGBEntry(&back, 4), kOk);
  EXPECT_EQ(Field(back.byPieces), 1);
}

TEST_F(GoodsBaseTest, WeightMarkWrapsToZeroAndReadsAsPieces) {
  // Find a price whose packed byte sum has the low seven bits all set.
  GoodsEntry e = Entry("", "", 0, 0, 1);
  e.name[0] = 0;
  bool found = false;
  for (int h = 0; h < 256 && !found; ++h) {
    e.price = h * 0.01;
    uint8_t s = static_cast<uint8_t>(14 * ' ' + h);  // 14 spaces, byte 14 = 0, price low byte
    if ((s & 0x7F) == 0x7F) found = true;
  }
  ASSERT_TRUE(found);
  ASSERT_EQ(CRSetInternalGBEntry(&e, 5), kOk);
  EXPECT_EQ(mem().data[0x0598 + 4 * 25 + 24], 0x00);
  GoodsEntry back{};
  ASSERT_EQ(CRGetInternalGBEntry(&back, 5), kOk);
  EXPECT_EQ(Field(back.byPieces), 1);
}

TEST_F(GoodsBaseTest, ClearingWritesOneByteAndReadingGives267) {
  ASSERT_EQ(CRSetInternalGBEntry(&cola, 7), kOk);
  platform->ClearRecords();
  ASSERT_EQ(CRSetInternalGBEntry(nullptr, 7), kOk);
  const Packet* write = nullptr;
  for (const Packet& p : platform->Packets()) {
    if (p.header.command == cmd::kWriteData) write = &p;
  }
  ASSERT_NE(write, nullptr);
  EXPECT_EQ(write->header.address, 0x062E);
  EXPECT_EQ(write->data, (std::vector<uint8_t>{0xFF}));
  GoodsEntry back{};
  back.section = 99;
  EXPECT_EQ(CRGetInternalGBEntry(&back, 7), kGoodsEmpty);
  EXPECT_EQ(Field(back.section), 99u);
}

struct BadEntryCase {
  const char* name;
  GoodsEntry entry;
  uint32_t number;
};

class BadEntry : public GoodsBaseTest, public ::testing::WithParamInterface<BadEntryCase> {};

TEST_P(BadEntry, Is257AndWritesNothing) {
  EXPECT_EQ(CRSetInternalGBEntry(&GetParam().entry, GetParam().number), kOutOfRange);
  EXPECT_EQ(LastWrite().first, 0);
}

INSTANTIATE_TEST_SUITE_P(
    GoodsBase, BadEntry,
    ::testing::Values(BadEntryCase{"letter_in_barcode", Entry("x", "46000000A0000", 1, 1, 1), 1},
                      BadEntryCase{"short_barcode", Entry("x", "460000", 1, 1, 1), 1},
                      BadEntryCase{"price_negative", Entry("x", "", -0.01, 1, 1), 1},
                      BadEntryCase{"price_too_high", Entry("x", "", 100000, 1, 1), 1},
                      BadEntryCase{"price_nan", Entry("x", "", std::nan(""), 1, 1), 1},
                      BadEntryCase{"price_infinite", Entry("x", "", HUGE_VAL, 1, 1), 1},
                      BadEntryCase{"section_0", Entry("x", "", 1, 1, 0), 1},
                      BadEntryCase{"section_17", Entry("x", "", 1, 1, 17), 1},
                      BadEntryCase{"number_0", Entry("x", "", 1, 1, 1), 0},
                      BadEntryCase{"number_1801", Entry("x", "", 1, 1, 1), 1801}),
    ParamName());

TEST_F(GoodsBaseTest, EntriesAreNotChangedDuringAShift) {
  mem().data[0x37B1] = 0xAA;
  EXPECT_EQ(CRSetInternalGBEntry(&cola, 1), kShiftOpen);
}

class SmallBase : public SimFixture {
 protected:
  SmallBase() : SimFixture({3, 1, 500}) {}
};

TEST_F(SmallBase, Entry501IsRefusedWithoutAnyWrite) {
  Start();
  const GoodsEntry e = Entry("x", "", 1, 1, 1);
  EXPECT_EQ(CRSetInternalGBEntry(&e, 501), kOutOfRange);
  for (const Packet& p : platform->Packets()) EXPECT_NE(p.header.command, cmd::kWriteGoods);
  GoodsEntry back{};
  EXPECT_EQ(CRGetInternalGBEntry(&back, 501), kOutOfRange);
}

}  // namespace
}  // namespace varnolo::test
