// Five small operating options: digit count, print modes, input mode, sound
// and suspend time. They may be changed while a shift is open.
#include "link/primitives.h"
#include "link/register_link.h"
#include "session/capability_indices.h"
#include "session/export_guard.h"
#include "session/session.h"
#include "settings/option_byte.h"

namespace varnolo {
namespace {

constexpr uint16_t kPrintMode1Slot = 0x0191;
constexpr uint16_t kPrintMode2Slot = 0x0194;
constexpr uint16_t kDigitsSlot = 0x01D7;
constexpr uint16_t kInputModeSlot = 0x01DA;
constexpr uint16_t kSoundSlot = 0x01DD;
constexpr uint16_t kSuspendTimeSlot = 0x0592;

// Reads one option into *out: the stored byte, or 1/0 for the switches.
ResultCode GetOption(uint16_t slot, int32_t* out, bool isSwitch) {
  if (out == nullptr) return kOutOfRange;
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    CallFrame frame;
    uint8_t stored = 0;
    const ResultCode r = ReadOptionByte(slot, stored);
    if (r != kOk) return r;
    *out = isSwitch ? (stored == 1 ? 1 : 0) : stored;
    return kOk;
  });
}

ResultCode SetSwitch(uint16_t slot, int capabilityIndex, int32_t value) {
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    CallFrame frame;
    return WriteOptionByte(slot, capabilityIndex, static_cast<uint8_t>(value));
  });
}

}  // namespace
}  // namespace varnolo

using namespace varnolo;

extern "C" {

ResultCode VARNOLO_CALL CRSetDigits(uint32_t digits) {
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    CallFrame frame;
    if (digits < 3 || digits > 7) return kOutOfRange;
    return WriteOptionByte(kDigitsSlot, cap::kDigits, static_cast<uint8_t>(digits));
  });
}

ResultCode VARNOLO_CALL CRGetDigits(int32_t* digits) {
  return GetOption(kDigitsSlot, digits, false);
}

ResultCode VARNOLO_CALL CRSetPrintMode(uint32_t printMode1, int32_t printMode2) {
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    if (printMode1 > 16) return kOutOfRange;
    CallFrame frame;
    if (printMode1 != 0) {
      const ResultCode r =
          WriteOptionByte(kPrintMode1Slot, cap::kPrintMode1, static_cast<uint8_t>(printMode1));
      if (r != kOk) return r;
    }
    if (printMode2 != 0) {
      return WriteOptionByte(kPrintMode2Slot, cap::kPrintMode2, printMode2 == 4 ? 4 : 6);
    }
    return kOk;
  });
}

ResultCode VARNOLO_CALL CRGetPrintMode(int32_t* printMode1, int32_t* printMode2) {
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    CallFrame frame;
    if (printMode1 != nullptr) {
      const ResultCode r = GetOption(kPrintMode1Slot, printMode1, false);
      if (r != kOk) return r;
    }
    if (printMode2 != nullptr) return GetOption(kPrintMode2Slot, printMode2, false);
    return kOk;
  });
}

ResultCode VARNOLO_CALL CRSetInputMode(int32_t inputMode) {
  return SetSwitch(kInputModeSlot, cap::kInputMode, inputMode);
}

ResultCode VARNOLO_CALL CRGetInputMode(int32_t* inputMode) {
  return GetOption(kInputModeSlot, inputMode, true);
}

ResultCode VARNOLO_CALL CRSetSound(int32_t sound) {
  return SetSwitch(kSoundSlot, cap::kSound, sound);
}

ResultCode VARNOLO_CALL CRGetSound(int32_t* sound) { return GetOption(kSoundSlot, sound, true); }

ResultCode VARNOLO_CALL CRSetSuspendTime(uint32_t suspendTime) {
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    if (suspendTime > 9) return kOutOfRange;
    CallFrame frame;
    const uint8_t stored = static_cast<uint8_t>(suspendTime * 10);
    // Firmware versions without a working-memory byte for the suspend time
    // (table entry 0) keep it in data memory only; address 0 is never written.
    if (LookupCapability(cap::kSuspendTime) == 0) {
      const uint8_t copies[3] = {stored, stored, stored};
      return WriteDataMemory(TheSession().registerNumber, kSuspendTimeSlot, copies);
    }
    return WriteOptionByte(kSuspendTimeSlot, cap::kSuspendTime, stored);
  });
}

ResultCode VARNOLO_CALL CRGetSuspendTime(int32_t* suspendTime) {
  return GetOption(kSuspendTimeSlot, suspendTime, false);
}

}  // extern "C"
