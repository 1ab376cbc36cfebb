// The register's permission and lock flags, the cash drawer, the customer
// display and the device test.
#include "link/primitives.h"
#include "link/register_link.h"
#include "session/capability_indices.h"
#include "session/export_guard.h"
#include "session/session.h"

namespace varnolo {
namespace {

constexpr uint32_t kDrawerTimeoutMs = 3000;
constexpr uint32_t kDeviceTestTimeoutMs = 10000;
constexpr uint16_t kDisplayByteOffset = 56;
constexpr uint8_t kDisplayByte = 0xFF;

ResultCode GetState(uint32_t* state) {
  CallFrame frame;
  *state = 0;
  const uint32_t reg = TheSession().registerNumber;
  uint8_t b = 0;
  if (const ResultCode r = ReadFlagArea(reg, CapabilityAddress(cap::kDrawerPermission), {&b, 1});
      r != kOk)
    return r;
  if (b == 0) *state |= CR_STATE_DRAWER_ALLOWED;
  if (const ResultCode r = ReadFlagArea(reg, CapabilityAddress(cap::kPrintPermission), {&b, 1});
      r != kOk)
    return r;
  if (b == 0) *state |= CR_STATE_PRINT_ALLOWED;
  if (const ResultCode r = ReadWorkingMemory(reg, CapabilityAddress(cap::kLockFlag), {&b, 1});
      r != kOk)
    return r;
  if (b != 0) *state |= CR_STATE_LOCKED;
  return kOk;
}

// Permission bytes: 0 allows, 1 forbids.
ResultCode Allow(int capabilityIndex, int32_t allow) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  CallFrame frame;
  const uint8_t b = allow == 0 ? 1 : 0;
  return WriteFlagArea(TheSession().registerNumber, CapabilityAddress(capabilityIndex), {&b, 1});
}

ResultCode RunRoutine(int capabilityIndex, uint32_t timeoutMs) {
  return CallRoutine(TheSession().registerNumber, 0, 0, LookupCapability(capabilityIndex), 0, {},
                     timeoutMs);
}

}  // namespace
}  // namespace varnolo

using namespace varnolo;

extern "C" {

ResultCode VARNOLO_CALL CRGetState(uint32_t* state) {
  if (state == nullptr) return kOutOfRange;
  return Guarded([&] { return GetState(state); });
}

ResultCode VARNOLO_CALL CRAllowBoxMove(int32_t allow) {
  return Guarded([&] { return Allow(cap::kDrawerPermission, allow); });
}

ResultCode VARNOLO_CALL CRAllowPrintCheck(int32_t allow) {
  return Guarded([&] { return Allow(cap::kPrintPermission, allow); });
}

// The drawer and the display hold no call frame: no end-of-call notice follows.
ResultCode VARNOLO_CALL CRBoxOut(void) {
  return Guarded([] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    return RunRoutine(cap::kOpenDrawer, kDrawerTimeoutMs);
  });
}

ResultCode VARNOLO_CALL CRDisplay(const char* text, uint32_t position, int32_t flag) {
  if (text == nullptr) return kOutOfRange;
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    const uint32_t reg = TheSession().registerNumber;
    const uint8_t b = kDisplayByte;
    const auto address =
        static_cast<uint16_t>(LookupCapability(cap::kDisplay) + kDisplayByteOffset);
    if (const ResultCode r = WriteWorkingMemory(reg, address, {&b, 1}); r != kOk) return r;
    return ShowOnDisplay(reg, text, position, flag);
  });
}

ResultCode VARNOLO_CALL CRTestTPD(void) {
  return Guarded([] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    CallFrame frame;
    return RunRoutine(cap::kDeviceTest, kDeviceTestTimeoutMs);
  });
}

}  // extern "C"
