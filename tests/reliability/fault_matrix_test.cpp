// The fault matrix, end to end: the library on the system's own platform, the
// register simulator as a process on a pseudo-terminal committing one fault.
// For each operation and fault: its documented result, no longer than its
// timeouts allow, and the line works again afterwards: the next call reads
// the value the register holds.
#include <gtest/gtest.h>

#include <chrono>

#include "support/sim_process.h"
#include "varnolo.h"

namespace varnolo::test {
namespace {

// Where the register keeps the digits option, in data memory.
constexpr size_t kDigitsOption = 0x01D7;

struct Operation {
  const char* name;
  const char* target;  // which replies the fault may hit: "@command+skip"
  int32_t (*run)();
  double boundMs;  // what its timeouts allow, with retries
  bool retried;    // a memory transfer: one lost answer is sent again
};

int32_t ReadOption() {
  int32_t digits = 0;
  return CRGetDigits(&digits);
}
int32_t WriteOption() { return CRSetDigits(5); }
int32_t RunRoutine() { return CRTestTPD(); }
int32_t SellOne() {
  CheckItem item{1, 5.00, 0, 0, 1, 0};
  return CRCreateCheck(&item, 1, 0, 0, 0);
}
int32_t VARNOLO_CALL Ignore(const ControlTapeEntry*, int32_t) { return 1; }
int32_t WalkTape() { return CREnumControlTapeEntries(Ignore, 0); }

// Start-up reads six configuration fields from data memory: the read fault
// lets those pass, the tape fault also the shift byte read by the sale that
// puts something on the tape.
const Operation kRead{"read", "@0x0100+6", ReadOption, 2 * 2100.0, true};
const Operation kWrite{"write", "@0x0101", WriteOption, 2 * 2100.0 + 2100, true};
const Operation kRoutine{"routine", "@0x0701", RunRoutine, 10100, false};
const Operation kSale{"sale_check", "@0x0701+1", SellOne, 9000 + 6 * 2100.0, false};
const Operation kTape{"tape", "@0x0100+7", WalkTape, 2 * 2100.0 + 2100, true};

struct FaultCase {
  const char* name;
  std::string fault;  // for --fault, before the target
  int32_t onRetried;
  int32_t onOthers;
};

const FaultCase kLost{"lost", "drop", CR_OK, CR_ERR_NO_REPLY};
const FaultCase kCut{"cut_short", "cut:5", CR_OK, CR_ERR_NO_REPLY};
const FaultCase kStray{"stray_bytes", "stray:3", CR_OK, CR_ERR_NO_REPLY};
const FaultCase kDamaged{"damaged", "damage", CR_OK, CR_ERR_NO_REPLY};
const FaultCase kRefused{"refused", "status:0x33", 0x33, 0x33};
const FaultCase kLate{"late", "delay:", CR_OK, CR_ERR_NO_REPLY};
const FaultCase kVanished{"device_vanished", "hangup", CR_ERR_NO_REPLY, CR_ERR_NO_REPLY};

class FaultMatrix : public ::testing::TestWithParam<std::tuple<Operation, FaultCase>> {};

TEST_P(FaultMatrix, DocumentedResultInTimeAndTheLineRecovers) {
  const Operation& op = std::get<0>(GetParam());
  const FaultCase& fault = std::get<1>(GetParam());
  std::string kind = fault.fault;
  // Late: past the timeout of the exchange it hits.
  if (kind == "delay:") kind += op.retried ? "2600" : op.run == SellOne ? "9600" : "10600";
  std::vector<std::string> args{"--fault", kind + op.target, "--image", "image"};
  SimProcess sim(args);
  sim.BecomeCom1();
  ASSERT_EQ(CRInitInterface(1, 0), 1);
  if (op.run == WalkTape) {
    // something on the tape; its own data reads come after the fault's turn
    CheckItem item{1, 1.00, 0, 0, 1, 0};
    ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), CR_OK);
  }

  const auto start = std::chrono::steady_clock::now();
  const int32_t result = op.run();
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(result, op.retried ? fault.onRetried : fault.onOthers);
  EXPECT_LT(ms, op.boundMs + 1500) << "took " << ms << " ms";

  if (fault.fault == "hangup") {
    // The device went away; a new session on the line that came back works.
    CRDestroyInterface();
    ASSERT_EQ(CRInitInterface(1, 0), 1);
  }
  // The next call reads what the register holds, not a stale answer.
  int32_t digits = -1;
  EXPECT_EQ(CRGetDigits(&digits), CR_OK) << "the next call";
  EXPECT_EQ(digits, ImageByte(sim.File("image"), 0, kDigitsOption)) << "the next call's value";
  CRDestroyInterface();
}

INSTANTIATE_TEST_SUITE_P(EndToEnd, FaultMatrix,
                         ::testing::Combine(::testing::Values(kRead, kWrite, kRoutine, kSale,
                                                              kTape),
                                            ::testing::Values(kLost, kCut, kStray, kDamaged,
                                                              kRefused, kLate, kVanished)),
                         [](const auto& p) {
                           return std::string(std::get<0>(p.param).name) + "_" +
                                  std::get<1>(p.param).name;
                         });

}  // namespace
}  // namespace varnolo::test
