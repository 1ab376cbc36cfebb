// The current cashier: number and name in working memory.
#include <array>
#include <cstring>

#include "link/primitives.h"
#include "link/register_link.h"
#include "session/capability_indices.h"
#include "session/export_guard.h"
#include "session/register_map.h"
#include "session/session.h"
#include "settings/text_codec.h"

namespace varnolo {
namespace {

constexpr uint16_t kCashierNumberCopy = 0x01F8;
constexpr size_t kNameWidth = 15;

uint16_t CashierNameAddress(uint32_t c) { return static_cast<uint16_t>(0x0249 + 32 * c); }

}  // namespace
}  // namespace varnolo

using namespace varnolo;

extern "C" {

ResultCode VARNOLO_CALL CRGetCurrentCashier(int32_t* cashier) {
  if (cashier == nullptr) return kOutOfRange;
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    CallFrame frame;
    *cashier = 0;
    uint8_t number = 0;
    const ResultCode r = ReadWorkingMemory(TheSession().registerNumber,
                                           CapabilityAddress(cap::kCurrentCashier), {&number, 1});
    *cashier = number;
    return r;
  });
}

ResultCode VARNOLO_CALL CRSetCurrentCashier(uint32_t cashier) {
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    if (cashier < 1 || cashier > 8) return kOutOfRange;
    CallFrame frame;
    const uint32_t reg = TheSession().registerNumber;
    uint8_t registration = 0;
    uint8_t shift = 0;
    int32_t current = 0;
    ResultCode r =
        ReadWorkingMemory(reg, CapabilityAddress(cap::kUseCashiersByte), {&registration, 1});
    if (r == kOk) r = ReadDataMemory(reg, mem::kShiftByte, {&shift, 1});
    if (r == kOk) r = CRGetCurrentCashier(&current);
    if (r != kOk) return r;
    // Without cashier registration the cashier cannot change during a shift.
    if (registration == 0 && shift == mem::kShiftOpenMark &&
        static_cast<uint32_t>(current) != cashier) {
      return kShiftOpen;
    }
    const uint8_t number = static_cast<uint8_t>(cashier);
    r = WriteWorkingMemory(reg, CapabilityAddress(cap::kCurrentCashier), {&number, 1});
    if (r != kOk) return r;
    std::array<char, kNameWidth + 1> name{};
    r = ReadDataMemory(reg, CashierNameAddress(cashier),
                       std::span(reinterpret_cast<uint8_t*>(name.data()), kNameWidth));
    if (r != kOk) return r;
    FromOem(name.data(), kNameWidth);
    r = WriteWorkingName(name.data(), CapabilityAddress(cap::kCurrentCashierName), kNameWidth);
    if (r != kOk) return r;
    if (registration == 0) r = WriteDataMemory(reg, kCashierNumberCopy, {&number, 1});
    return r;
  });
}

}  // extern "C"
