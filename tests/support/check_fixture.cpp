#include "support/check_fixture.h"

#include "link/commands.h"
#include "memory.h"

namespace varnolo::test {

void CheckFixture::SetUp() {
  SimFixture::SetUp();
  Start();
}

std::vector<uint8_t> CheckFixture::WorkingWrite(uint16_t address) {
  std::vector<uint8_t> found;
  for (const Packet& p : platform->Packets()) {
    if (p.header.command == cmd::kWriteWorking && p.header.address == address) found = p.data;
  }
  return found;
}

std::vector<int> CheckFixture::Routines() {
  std::vector<int> out;
  for (const Packet& p : platform->Packets()) {
    if (p.header.command != cmd::kCallRoutine) continue;
    int index = 0;
    for (int candidate : {885, 617, 608, 899, 948, 606, 612, 618, 620, 624, 628, 638, 660, 1504}) {
      if (reg.Address(candidate) == p.header.address) index = candidate;
    }
    out.push_back(index);
  }
  return out;
}

uint32_t CheckFixture::RoutineTimeout(int index) {
  uint32_t timeout = 0;
  const auto& packets = platform->Packets();
  for (size_t i = 0; i < packets.size(); ++i) {
    if (packets[i].header.command == cmd::kCallRoutine &&
        packets[i].header.address == reg.Address(index)) {
      timeout = platform->ReplyTimeoutOf(i);
    }
  }
  return timeout;
}

void CheckFixture::Configure(int32_t useCashiers, int32_t useGoodsBase, int32_t useTaxes,
                             uint8_t sections, int32_t extendedChecks) {
  const RegisterConfiguration c{useCashiers, 0, useGoodsBase, extendedChecks, useTaxes,
                                sections,    {}};
  ASSERT_EQ(CRConfigure(&c), CR_OK);
  platform->ClearRecords();
}

void CheckFixture::OpenShift() {
  mem().data[0x37B1] = 0xAA;
  sim::PutBe(std::span(mem().data).subspan(0x3700, 8), static_cast<uint64_t>(reg.Now()));
}

void CheckFixture::SetFillCounter(uint16_t count) {
  sim::PutBe(std::span(mem().working).subspan(Address(26), 2), count);
}

void CheckFixture::SetDrawerCash(uint64_t hundredths) {
  sim::PutBe(std::span(mem().working).subspan(Address(352), 5), hundredths);
}

CheckItem Item(double quantity, double price, double raise, double discount, uint32_t section,
               uint32_t tax) {
  return CheckItem{quantity, price, raise, discount, section, tax};
}

}  // namespace varnolo::test
