#include <gtest/gtest.h>

#include "link/commands.h"
#include "session/session.h"
#include "support/packed_field.h"
#include "support/sim_peer.h"

namespace varnolo::test {
namespace {

class ConfigurationTest : public SimFixture {
 protected:
  // The data-memory writes since the records were cleared, as (address, bytes).
  std::vector<std::pair<uint16_t, std::vector<uint8_t>>> DataWrites() {
    std::vector<std::pair<uint16_t, std::vector<uint8_t>>> out;
    for (const Packet& p : platform->Packets()) {
      if (p.header.command == cmd::kWriteData) out.emplace_back(p.header.address, p.data);
    }
    return out;
  }
  RegisterConfiguration config{1, 0, 1, 1, 1, 8, {}};
};

TEST_F(ConfigurationTest, QuickConfigBeforeStartUpIsTheDefault) {
  RegisterConfiguration c{};
  CRGetQuickConfig(&c);
  EXPECT_EQ(Field(c.useCashiers), 1);
  EXPECT_EQ(Field(c.option02), 1);
  EXPECT_EQ(Field(c.useGoodsBase), 1);
  EXPECT_EQ(Field(c.extendedChecks), 1);
  EXPECT_EQ(Field(c.useTaxes), 1);
  EXPECT_EQ(c.sectionCount, 16);
  CRGetQuickConfig(nullptr);  // harmless
  EXPECT_TRUE(platform->Written().empty());
}

TEST_F(ConfigurationTest, StartUpFillsTheCacheFromTheRegister) {
  Start();
  RegisterConfiguration c{};
  CRGetQuickConfig(&c);
  EXPECT_EQ(Field(c.useCashiers), 0);  // the simulator's factory setting
  EXPECT_EQ(c.sectionCount, 16);
}

TEST_F(ConfigurationTest, SectionCountAloneWritesThreeCopiesAndTheWorkingByte) {
  Start();
  config.sectionCount = 5;
  EXPECT_EQ(CRConfigureEx(&config, CR_CFG_SECTION_COUNT), kOk);
  EXPECT_EQ(DataWrites(),
            (std::vector<std::pair<uint16_t, std::vector<uint8_t>>>{{0x01E3, {4, 4, 4}}}));
  EXPECT_EQ(mem().working[0x0C67], 4);  // index 85, version 3
  RegisterConfiguration c{};
  CRGetQuickConfig(&c);
  EXPECT_EQ(c.sectionCount, 5);
  EXPECT_EQ(Field(c.useCashiers), 0);  // untouched
}

TEST_F(ConfigurationTest, SectionCountOutOfRangeWritesNothing) {
  Start();
  for (int n : {0, 17}) {
    config.sectionCount = static_cast<uint8_t>(n);
    EXPECT_EQ(CRConfigureEx(&config, CR_CFG_SECTION_COUNT), kOutOfRange);
  }
  EXPECT_TRUE(DataWrites().empty());
}

TEST_F(ConfigurationTest, TaxesWriteTheSecondWorkingByte) {
  Start();
  config.useTaxes = 1;
  EXPECT_EQ(CRConfigureEx(&config, CR_CFG_USE_TAXES), kOk);
  EXPECT_EQ(mem().data[0x01F2], 1);
  EXPECT_EQ(mem().working[0x0C87], 1);  // index 117
  EXPECT_EQ(mem().working[0x0C84], 3);  // index 86
  config.useTaxes = 0;
  EXPECT_EQ(CRConfigureEx(&config, CR_CFG_USE_TAXES), kOk);
  EXPECT_EQ(mem().working[0x0C87], 0);
  EXPECT_EQ(mem().working[0x0C84], 0);
}

TEST_F(ConfigurationTest, ConfigureWritesAllSixInItsOrder) {
  Start();
  EXPECT_EQ(CRConfigure(&config), kOk);
  std::vector<uint16_t> slots;
  for (const auto& w : DataWrites()) slots.push_back(w.first);
  EXPECT_EQ(slots, (std::vector<uint16_t>{0x01E3, 0x01E6, 0x01EF, 0x01E9, 0x01F5, 0x01F2}));
  RegisterConfiguration back{};
  EXPECT_EQ(CRGetConfiguration(&back), kOk);
  EXPECT_EQ(Field(back.useCashiers), 1);
  EXPECT_EQ(Field(back.option02), 0);
  EXPECT_EQ(back.sectionCount, 8);
}

TEST_F(ConfigurationTest, AValueOf2IsWrittenAs2AndReadBackAs0) {
  Start();
  config.option02 = 2;
  EXPECT_EQ(CRConfigureEx(&config, CR_CFG_OPTION02), kOk);
  EXPECT_EQ(mem().data[0x01E9], 2);
  RegisterConfiguration back{};
  back.option02 = 7;
  EXPECT_EQ(CRGetConfigurationEx(&back, CR_CFG_OPTION02), kOk);
  EXPECT_EQ(Field(back.option02), 0);
}

TEST_F(ConfigurationTest, ReadingNoFieldsMakesOnlyTheNotice) {
  Start();
  RegisterConfiguration back{};
  EXPECT_EQ(CRGetConfigurationEx(&back, 0), kOk);
  EXPECT_EQ(Commands(), (std::vector<uint16_t>{0x2900}));
}

TEST_F(ConfigurationTest, WhileAShiftIsOpenWritingIsRefusedAndReadingWorks) {
  Start();
  mem().data[0x37B1] = 0xAA;
  EXPECT_EQ(CRConfigure(&config), kShiftOpen);
  EXPECT_TRUE(DataWrites().empty());
  RegisterConfiguration back{};
  EXPECT_EQ(CRGetConfiguration(&back), kOk);
}

TEST_F(ConfigurationTest, FailedWriteKeepsEarlierFieldsAndStopsThere) {
  Start();
  config.sectionCount = 3;
  config.useGoodsBase = 0;
  // The third field's working-memory byte (useGoodsBase, index 16) is refused:
  // its data-memory copies stay written, its cache entry keeps the old value.
  reg.faults().Add({sim::FaultKind::kStatus, cmd::kWriteWorking, 0x42, 1, 2});
  EXPECT_EQ(CRConfigure(&config), 0x42);
  RegisterConfiguration c{};
  CRGetQuickConfig(&c);
  EXPECT_EQ(c.sectionCount, 3);
  EXPECT_EQ(Field(c.useCashiers), 1);
  EXPECT_EQ(Field(c.useGoodsBase), 1);
  EXPECT_EQ(mem().data[0x01EF], 0);
  EXPECT_EQ(mem().working[0x0C86], 1);
  EXPECT_EQ(mem().data[0x01E9], 0);  // later fields untouched (factory 0)
  EXPECT_EQ(DataWrites().size(), 3u);
}

TEST_F(ConfigurationTest, FailedReadStopsAndKeepsEarlierFields) {
  Start();
  mem().data[0x01E3] = 4;
  mem().data[0x01E6] = 1;
  reg.faults().Add({sim::FaultKind::kStatus, 0, 0x42, 1});
  RegisterConfiguration back{};
  back.useCashiers = 9;
  EXPECT_EQ(CRGetConfigurationEx(&back, CR_CFG_SECTION_COUNT | CR_CFG_USE_CASHIERS), 0x42);
  EXPECT_EQ(Field(back.useCashiers), 9);
  EXPECT_EQ(CRGetConfigurationEx(&back, CR_CFG_SECTION_COUNT | CR_CFG_USE_CASHIERS), kOk);
  EXPECT_EQ(back.sectionCount, 5);
  EXPECT_EQ(Field(back.useCashiers), 1);
}

TEST_F(ConfigurationTest, NullRecordIs257WithoutTraffic) {
  Start();
  EXPECT_EQ(CRConfigure(nullptr), kOutOfRange);
  EXPECT_EQ(CRConfigureEx(nullptr, 1), kOutOfRange);
  EXPECT_EQ(CRGetConfiguration(nullptr), kOutOfRange);
  EXPECT_EQ(CRGetConfigurationEx(nullptr, 1), kOutOfRange);
  EXPECT_TRUE(platform->Written().empty());
}

TEST_F(ConfigurationTest, ClosedPortIs256) {
  RegisterConfiguration c{};
  EXPECT_EQ(CRConfigure(&c), kPortClosed);
  EXPECT_EQ(CRGetConfiguration(&c), kPortClosed);
  EXPECT_TRUE(platform->Written().empty());
}

}  // namespace
}  // namespace varnolo::test
