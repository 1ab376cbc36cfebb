#include "checks/available_cash.h"

#include <array>

#include "checks/document_sequence.h"
#include "checks/encoding.h"
#include "session/capability_indices.h"
#include "session/session.h"

namespace varnolo {

ResultCode QueryAvailableCash(double amount) {
  const uint32_t reg = TheSession().registerNumber;
  std::array<uint8_t, 5> bytes{};
  double cash = 0;
  if (TheSession().configuration.useCashiers != 0) {
    int32_t cashier = 0;
    if (const ResultCode r = CRGetCurrentCashier(&cashier); r != kOk) return r;
    const uint16_t cell = static_cast<uint16_t>(LookupCapability(cap::kCashierCashBase) + 200);
    const uint8_t parameters[4] = {1, static_cast<uint8_t>(cell >> 8), static_cast<uint8_t>(cell),
                                   static_cast<uint8_t>(cashier - 1)};
    ResultCode r =
        CallRoutine(reg, 3, 4, LookupCapability(cap::kCashierCash),
                    LookupCapability(cap::kCashierCashParameter), parameters, kActionTimeoutMs);
    if (r != kOk) return r;
    r = ReadWorkingMemory(reg, cell, bytes);
    if (r != kOk) return r;
    cash = AmountFromBigEndian(bytes) + 0.001;
  } else {
    const ResultCode r = ReadWorkingMemory(reg, CapabilityAddress(cap::kDrawerCash), bytes);
    if (r != kOk) return r;
    cash = AmountFromBigEndian(bytes);
  }
  return cash < amount ? kNotEnoughCash : kOk;
}

}  // namespace varnolo
