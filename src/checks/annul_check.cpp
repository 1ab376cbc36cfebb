// Annulment of the last check of the open shift.
#include "checks/document_sequence.h"
#include "link/register_link.h"
#include "session/capability_indices.h"
#include "session/export_guard.h"
#include "session/session.h"

namespace varnolo {
namespace {

constexpr uint32_t kAnnulmentRunTimeoutMs = 20000;

ResultCode AnnulCheck() {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  CallFrame frame;
  if (const ResultCode r = VerifyShiftState(); r != kOk) return r;
  if (ShiftOpenTest() == kOk) return kWrongState;
  ResultCode r = DocumentAction(cap::kDocumentReset, kActionTimeoutMs);
  if (r == kOk) r = DocumentAction(cap::kAnnulPrepare, kActionTimeoutMs);
  if (r != kOk) return r;
  uint8_t annulable = 0;
  r = ReadRoutineResult(TheSession().registerNumber, 1, {&annulable, 1});
  if (r != kOk) return r;
  if (annulable == 0) return kWrongState;  // nothing to annul
  r = DocumentAction(cap::kDocumentRun, kAnnulmentRunTimeoutMs);
  if (r != kOk) return r;
  return DocumentAction(cap::kDocumentReset, kActionTimeoutMs);
}

}  // namespace
}  // namespace varnolo

extern "C" ResultCode VARNOLO_CALL CRAnnulCheck(void) {
  return varnolo::Guarded([] { return varnolo::AnnulCheck(); });
}
