/* The public headers as an integrator's compiler sees them: the tests build
 * this file as C89, C99, C11 and several C++ standards with -pedantic -Werror.
 * The layout checks in the header are compiled with it. */
#include "varnolo.h"
#include "varnolo_text.h"
#include "varnolo_labels.h"

int VarnoloHeaderCheck(ControlTapeCallback callback);

int VarnoloHeaderCheck(ControlTapeCallback callback) {
  TimeDate when;
  when.year = 2026;
  if (callback == 0) return VarnoloResultText(CR_ERR_NO_REPLY)[0];
  return (int)sizeof(ControlTapeEntry) + when.year;
}
