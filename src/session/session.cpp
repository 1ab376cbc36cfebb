#include "session/session.h"

#include "link/primitives.h"
#include "session/capability_table.h"
#include "session/register_map.h"

namespace varnolo {

RegisterConfiguration DefaultConfiguration() {
  RegisterConfiguration c{};
  c.useCashiers = 1;
  c.option02 = 1;
  c.useGoodsBase = 1;
  c.extendedChecks = 1;
  c.useTaxes = 1;
  c.sectionCount = 16;
  return c;
}

Session& TheSession() {
  static Session session{0, 0, 0, {}, 0, DefaultConfiguration()};
  return session;
}

CapabilityEntry LookupCapability(int index) {
  const Session& s = TheSession();
  return EntryInImage(s.table, index, s.firmwareVersion, s.minVersion);
}

CallFrame::CallFrame() { TheSession().callDepth += 1; }

CallFrame::~CallFrame() {
  Session& s = TheSession();
  s.callDepth -= 1;
  if (s.callDepth == 0) SendCallEndNotice();
}

ResultCode ShiftOpenTest() {
  CallFrame frame;
  uint8_t shift = 0;
  const ResultCode r = ReadDataMemory(TheSession().registerNumber, mem::kShiftByte, {&shift, 1});
  if (r != kOk) return r;
  return shift == mem::kShiftOpenMark ? kShiftOpen : kOk;
}

void ResetSessionForTesting() { TheSession() = Session{0, 0, 0, {}, 0, DefaultConfiguration()}; }

}  // namespace varnolo
