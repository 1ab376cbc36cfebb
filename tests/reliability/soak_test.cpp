// Several hundred documents with random faults on the line. Afterwards every
// document that returned 0 is on the register's tape exactly once; a document
// that returned a failure was registered only when the failure came after the
// register had run it (its answer was lost or damaged); totals agree with the tape.
#include <gtest/gtest.h>

#include <random>

#include "link/commands.h"
#include "support/check_fixture.h"
#include "support/whole_tape.h"
#include "totals.h"

namespace varnolo::test {
namespace {

class Soak : public CheckFixture {};

TEST_F(Soak, DocumentsUnderRandomFaults) {
  std::mt19937 random(20261209);
  auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const sim::FaultKind kinds[] = {sim::FaultKind::kDrop,   sim::FaultKind::kCut,
                                  sim::FaultKind::kDamage, sim::FaultKind::kStray,
                                  sim::FaultKind::kStatus, sim::FaultKind::kDelay};
  const uint16_t commands[] = {cmd::kWriteWorking, cmd::kReadWorking, cmd::kReadData,
                               cmd::kCallRoutine, cmd::kRoutineResult};
  ASSERT_EQ(CRCreateInputCheck(5000), kOk);
  int succeeded = 0;
  int failedUnregistered = 0;
  int registeredDespiteFailure = 0;
  uint32_t documents = reg.DocumentNumber();
  uint64_t expectedDrawer = reg.DrawerCash();
  for (int i = 0; i < 400; ++i) {
    reg.faults().Clear();
    if (pick(3) == 0) {
      sim::Fault f;
      f.kind = kinds[pick(6)];
      f.command = commands[pick(5)];
      f.value = f.kind == sim::FaultKind::kStatus  ? 0x40u + static_cast<uint32_t>(pick(16))
                : f.kind == sim::FaultKind::kCut   ? static_cast<uint32_t>(pick(11))
                : f.kind == sim::FaultKind::kDelay ? 25000u
                                                   : 3u;
      f.skip = pick(6);
      reg.faults().Add(f);
    }
    const bool sale = pick(4) != 0;
    int32_t r = 0;
    uint64_t cash = 0;
    if (sale) {
      CheckItem items[2] = {
          Item(1 + pick(3), 1.25 * (1 + pick(40)), 0, 0, 1 + static_cast<uint32_t>(pick(3))),
          Item(1, 0.5 * (1 + pick(9)))};
      const uint32_t count = 1 + static_cast<uint32_t>(pick(2));
      r = CRCreateCheck(items, count, 0, 0, 0);
      for (uint32_t k = 0; k < count; ++k)
        cash += static_cast<uint64_t>(items[k].quantity * items[k].price * 100 + 0.5);
    } else {
      const double amount = 10.0 * (1 + pick(20));
      r = CRCreateInputCheck(amount);
      cash = static_cast<uint64_t>(amount * 100);
    }
    const uint32_t now = reg.DocumentNumber();
    ASSERT_LE(now - documents, 1u) << "document " << i << " registered twice";
    const bool registered = now != documents;
    documents = now;
    if (registered) expectedDrawer += cash;
    if (r == kOk) {
      ++succeeded;
      EXPECT_TRUE(registered) << "document " << i << " returned 0 but is not on the tape";
    } else if (registered) {
      // Only a lost or damaged answer to the run, or a refused closing reset,
      // can fail a document the register has already run.
      ++registeredDespiteFailure;
      EXPECT_TRUE(r == kNoReply || (r >= 0x40 && r < 0x50)) << "document " << i << " result " << r;
    } else {
      ++failedUnregistered;
    }
  }
  reg.faults().Clear();

  // The line works after all that, and the tape agrees with the totals.
  const WholeTape tape = ReadWholeTape();
  ASSERT_EQ(tape.result, kOk);
  const std::vector<ControlTapeEntry>& entries = tape.entries;
  uint64_t saleLines = 0;
  for (const ControlTapeEntry& e : entries) {
    if (e.kind == 0) saleLines += static_cast<uint64_t>(e.amount * 100 + 0.5);
  }
  using namespace sim::totals;
  EXPECT_EQ(saleLines, reg.Amount(kRegister, 0, kSales));
  EXPECT_EQ(reg.DrawerCash(), expectedDrawer);
  EXPECT_GT(succeeded, 250);
  EXPECT_GT(failedUnregistered, 10);
  std::printf(
      "soak: %d printed, %d refused or lost before the run, %d registered although the answer "
      "failed\n",
      succeeded, failedUnregistered, registeredDespiteFailure);
  RecordProperty("registeredDespiteFailure", registeredDespiteFailure);
}

}  // namespace
}  // namespace varnolo::test
