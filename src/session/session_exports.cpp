// Opening and closing the session, the register lock, the goods-base size.
#include <array>

#include "link/primitives.h"
#include "link/register_link.h"
#include "session/capability_indices.h"
#include "session/capability_table.h"
#include "session/export_guard.h"
#include "session/register_map.h"
#include "session/session.h"

namespace varnolo {
namespace {

constexpr uint8_t kBeginSessionParameter = 1;
constexpr uint8_t kClosingSelectorByte = 0x20;

ResultCode WriteLockFlag(uint8_t value) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  CallFrame frame;
  return WriteWorkingMemory(TheSession().registerNumber, CapabilityAddress(cap::kLockFlag),
                            {&value, 1});
}

// The steps of start-up after the port is open; false on any failure.
bool StartSession(uint32_t registerNumber) {
  Session& s = TheSession();
  const std::span<const uint8_t> table = CurrentPlatform().FindFirmwareTable();
  if (table.size() < 2) return false;
  s.table = table;

  uint8_t version = 0;
  if (ReadWorkingMemory(registerNumber, mem::kFirmwareVersion, {&version, 1}) != kOk) return false;
  s.firmwareVersion = version;
  if (version < table[0] || version > table[1]) return false;
  s.registerNumber = registerNumber;
  s.minVersion = table[0];

  if (CRLockCashRegister() != kOk) return false;
  if (CRGetConfiguration(&s.configuration) != kOk) return false;
  if (BeginSessionCommand(registerNumber, kBeginSessionParameter) != kOk) return false;
  int32_t size = 0;
  return CRGetIGBSize(&size) == kOk;
}

}  // namespace
}  // namespace varnolo

using namespace varnolo;

extern "C" {

int32_t VARNOLO_CALL CRInitInterface(uint32_t registerNumber, int32_t port) {
  return Guarded(
      [&]() -> int32_t {
        // A second start-up closes the open session cleanly first, so that its
        // port is not lost and the register is unlocked before it is relocked.
        if (TheLink().IsPortOpen() || TheSession().registerNumber != 0) CRDestroyInterface();
        CallFrame frame;
        if (!TheLink().OpenPort(port)) return 0;
        if (StartSession(registerNumber)) return 1;
        CRDestroyInterface();
        return 0;
      },
      0);
}

int32_t VARNOLO_CALL CRDestroyInterface(void) {
  return Guarded(
      []() -> int32_t {
        Session& s = TheSession();
        {
          CallFrame frame;
          if (s.registerNumber != 0 && CRUnlockCashRegister() == kOk) {
            EndSessionCommand(s.registerNumber);
            const uint8_t closing = kClosingSelectorByte;
            SendSelectorBytes(s.registerNumber, {&closing, 1}, 0);
          }
          TheLink().ClosePort();
          s.registerNumber = 0;
          s.firmwareVersion = 0;
          s.minVersion = 0;
        }
        return 0;
      },
      0);
}

ResultCode VARNOLO_CALL CRLockCashRegister(void) {
  return Guarded([] { return WriteLockFlag(1); });
}

ResultCode VARNOLO_CALL CRUnlockCashRegister(void) {
  return Guarded([] { return WriteLockFlag(0); });
}

ResultCode VARNOLO_CALL CRGetIGBSize(int32_t* size) {
  if (size == nullptr) return kOutOfRange;
  return Guarded([&] {
    CallFrame frame;
    std::array<uint8_t, 4> reply{};
    const ResultCode r = QueryGoodsBaseSize(TheSession().registerNumber, reply);
    if (r != kOk) return r;
    *size = (reply[3] & 0x04u) != 0 ? 500 : 1800;
    return kOk;
  });
}

uint32_t VARNOLO_CALL CRGetCRNumber(void) { return TheSession().registerNumber; }

ResultCode VARNOLO_CALL CREGBQueryAnswer(int32_t, int32_t, int32_t, int32_t) {
  return kNotCarriedOut;
}

}  // extern "C"
