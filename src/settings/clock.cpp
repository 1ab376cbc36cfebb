// The register's calendar clock. It may be set while a shift is open; the
// library tests no field: the register refuses what it cannot take.
#include "link/primitives.h"
#include "link/register_link.h"
#include "session/export_guard.h"
#include "session/session.h"

namespace varnolo {
namespace {

ResultCode SetClock(const TimeDate& t) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  CallFrame frame;
  return WriteClock(TheSession().registerNumber,
                    {t.day, t.month, t.year, t.hour, t.minute, t.second});
}

}  // namespace
}  // namespace varnolo

using namespace varnolo;

extern "C" {

ResultCode VARNOLO_CALL CRSetTimeDate(TimeDate time) {
  return Guarded([&] { return SetClock(time); });
}

ResultCode VARNOLO_CALL CRSetTimeDateRef(const TimeDate* time) {
  if (time == nullptr) return kOutOfRange;
  return Guarded([&] { return SetClock(*time); });
}

ResultCode VARNOLO_CALL CRGetTimeDate(TimeDate* time) {
  if (time == nullptr) return kOutOfRange;
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    CallFrame frame;
    ClockValue v;
    const ResultCode r = ReadClock(TheSession().registerNumber, v);
    if (r != kOk) return r;
    time->day = v.day;
    time->month = v.month;
    time->year = v.year;
    time->hour = v.hour;
    time->minute = v.minute;
    time->second = v.second;
    return kOk;
  });
}

}  // extern "C"
