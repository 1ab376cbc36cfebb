// The register's electronic control tape: counting, walking it through the
// application's callback, its header, and closing it.
#include <array>

#include "checks/document_sequence.h"
#include "link/primitives.h"
#include "link/register_link.h"
#include "reports/tape_entry.h"
#include "session/capability_indices.h"
#include "session/export_guard.h"
#include "session/register_map.h"
#include "session/session.h"

namespace varnolo {
namespace {

constexpr uint32_t kCloseTapeTimeoutMs = 600000;
constexpr uint8_t kTapeMayNotClose = 2;
constexpr uint32_t kDataMemoryEnd = 0x8000;

size_t EntryLength() {
  const RegisterConfiguration& c = TheSession().configuration;
  return c.useGoodsBase != 0 || c.extendedChecks != 0 ? kLongEntry : kShortEntry;
}

ResultCode Enumerate(ControlTapeCallback callback, int32_t first, uint32_t last, int32_t user) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  if (callback == nullptr) return kOutOfRange;
  const uint32_t last16 = last & 0xFFFFu;
  if (first < 1 || static_cast<uint32_t>(first) > last16) return kOutOfRange;
  CallFrame frame;
  const size_t length = EntryLength();
  const uint32_t count = (last16 - static_cast<uint32_t>(first) + 1) & 0xFFFFu;
  uint32_t address =
      mem::kTapeEntries + (static_cast<uint32_t>(first) - 1) * static_cast<uint32_t>(length);
  std::array<uint8_t, kLongEntry> stored{};
  const auto bytes = std::span(stored).first(length);
  for (uint32_t i = 0; i < count; ++i, address += static_cast<uint32_t>(length)) {
    if (address + length > kDataMemoryEnd) return kOutOfRange;
    const ResultCode r =
        ReadDataMemory(TheSession().registerNumber, static_cast<uint16_t>(address), bytes);
    if (r != kOk) return r;
    const ControlTapeEntry entry = DecodeTapeEntry(bytes, TheSession().configuration.sectionCount);
    if (callback(&entry, user) == 0) return kOk;
  }
  return kOk;
}

constexpr uint32_t kTapeInfoFields =
    CR_CT_SHIFT_OPEN | CR_CT_STATE_BYTE | CR_CT_DATE_TIME | CR_CT_ENTRY_COUNT;

ResultCode TapeInfo(ControlTapeInfo* info, uint32_t flags) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  // Only a flag that fills a field needs the record.
  if (info == nullptr && (flags & kTapeInfoFields) != 0) return kOutOfRange;
  CallFrame frame;
  const uint32_t reg = TheSession().registerNumber;
  if ((flags & CR_CT_SHIFT_OPEN) != 0) {
    uint8_t b = 0;
    if (const ResultCode r = ReadDataMemory(reg, mem::kShiftByte, {&b, 1}); r != kOk) return r;
    info->shiftOpen = b == mem::kShiftOpenMark ? 1 : 0;
  }
  if ((flags & CR_CT_STATE_BYTE) != 0) {
    uint8_t b = 0;
    if (const ResultCode r = ReadDataMemory(reg, mem::kTapeStateByte, {&b, 1}); r != kOk) return r;
    info->stateByteZero = b == 0 ? 1 : 0;
  }
  if ((flags & CR_CT_DATE_TIME) != 0) {
    uint8_t date[4] = {};
    if (const ResultCode r = ReadDataMemory(reg, mem::kTapeDate, date); r != kOk) return r;
    info->day = FromBcd8(date[0]);
    info->month = FromBcd8(date[1]);
    info->year = static_cast<uint16_t>(FromBcd8(date[2]) * 100 + FromBcd8(date[3]));
    uint8_t time[2] = {};
    if (const ResultCode r = ReadDataMemory(reg, mem::kTapeTime, time); r != kOk) return r;
    info->hour = FromBcd8(time[0]);
    info->minute = FromBcd8(time[1]);
  }
  if ((flags & CR_CT_ENTRY_COUNT) != 0) {
    uint16_t count = 0;
    if (const ResultCode r = ReadFillCounter(count); r != kOk) return r;
    info->entryCount = count;
  }
  return kOk;
}

ResultCode CloseTape() {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  CallFrame frame;
  if (const ResultCode r = VerifyShiftState(); r != kOk) return r;
  uint8_t closing = 0;
  if (const ResultCode r =
          ReadDataMemory(TheSession().registerNumber, mem::kTapeClosingState, {&closing, 1});
      r != kOk) {
    return r;
  }
  if (closing == kTapeMayNotClose) return kWrongState;
  return CallRoutine(TheSession().registerNumber, 0, 0, LookupCapability(cap::kCloseTape), 0, {},
                     kCloseTapeTimeoutMs);
}

}  // namespace
}  // namespace varnolo

using namespace varnolo;

extern "C" {

ResultCode VARNOLO_CALL CRGetNumOfShoppings(uint16_t* count) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  if (count == nullptr) return kOutOfRange;
  return Guarded([&] {
    CallFrame frame;
    return ReadFillCounter(*count);
  });
}

ResultCode VARNOLO_CALL CREnumCTEntriesFromShopping2(ControlTapeCallback callback, int32_t first,
                                                     uint32_t last, int32_t user) {
  return Guarded([&] { return Enumerate(callback, first, last, user); });
}

ResultCode VARNOLO_CALL CREnumCTEntriesFromShopping(ControlTapeCallback callback, int32_t first,
                                                    int32_t user) {
  if (callback == nullptr) return kOutOfRange;
  return Guarded([&] {
    uint16_t count = 0;
    if (const ResultCode r = CRGetNumOfShoppings(&count); r != kOk) return r;
    return CREnumCTEntriesFromShopping2(callback, first, count, user);
  });
}

ResultCode VARNOLO_CALL CREnumControlTapeEntries(ControlTapeCallback callback, int32_t user) {
  return CREnumCTEntriesFromShopping(callback, 1, user);
}

ResultCode VARNOLO_CALL CRGetCTInfoEx(ControlTapeInfo* info, uint32_t flags) {
  return Guarded([&] { return TapeInfo(info, flags); });
}

ResultCode VARNOLO_CALL CRGetCTInfo(ControlTapeInfo* info) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  if (info == nullptr) return kOutOfRange;
  return Guarded([&] {
    CallFrame frame;
    return CRGetCTInfoEx(info, 0xFFFFFFFFu);
  });
}

ResultCode VARNOLO_CALL CRCloseCT(void) {
  return Guarded([] { return CloseTape(); });
}

}  // extern "C"
