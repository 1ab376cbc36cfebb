/* The public headers from C, as an integrator's program sees them: every
 * code the library returns has its own sentence, the register's statuses
 * and unknown codes a generic one, the labels name every position, and
 * VARNOLO_TRACE says why a port would not open. */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "varnolo.h"
#include "varnolo_labels.h"
#include "varnolo_text.h"

static int failures = 0;

static void Expect(int condition, const char* what, int32_t code) {
  if (!condition) {
    fprintf(stderr, "FAILED: %s (code %d)\n", what, (int)code);
    ++failures;
  }
}

static const int32_t kLibraryCodes[] = {CR_OK,
                                        CR_ERR_PORT_CLOSED,
                                        CR_ERR_OUT_OF_RANGE,
                                        CR_ERR_NOT_CARRIED_OUT,
                                        CR_ERR_NO_REPLY,
                                        CR_ERR_SHIFT_OPEN,
                                        CR_ERR_WRONG_STATE,
                                        CR_ERR_CONFIGURATION,
                                        CR_ERR_SHIFT_REFUSED,
                                        CR_ERR_TAPE_FULL,
                                        CR_ERR_GOODS_EMPTY,
                                        CR_ERR_NOT_ENOUGH_CASH,
                                        CR_ERR_AMOUNT_TOO_LARGE};
#define LIBRARY_CODE_COUNT (sizeof kLibraryCodes / sizeof kLibraryCodes[0])

static void ResultTexts(void) {
  for (size_t i = 0; i < LIBRARY_CODE_COUNT; ++i) {
    const char* text = VarnoloResultText(kLibraryCodes[i]);
    Expect(text != NULL && strlen(text) >= 5, "a sentence", kLibraryCodes[i]);
    Expect(strcmp(text, VARNOLO_REGISTER_STATUS_TEXT) != 0 &&
               strcmp(text, VARNOLO_UNKNOWN_RESULT_TEXT) != 0,
           "not a generic sentence", kLibraryCodes[i]);
    for (size_t j = 0; j < i; ++j) {
      Expect(strcmp(text, VarnoloResultText(kLibraryCodes[j])) != 0, "distinct from the others",
             kLibraryCodes[i]);
    }
  }
  Expect(strstr(VarnoloResultText(CR_ERR_NO_REPLY), "tape") != NULL,
         "the lost reply points at the tape count", CR_ERR_NO_REPLY);
  for (int32_t status = 1; status <= 255; ++status) {
    Expect(strcmp(VarnoloResultText(status), VARNOLO_REGISTER_STATUS_TEXT) == 0,
           "a register status", status);
  }
  const int32_t unknown[] = {-1, 260, 262, 270, 1000, INT32_MIN, INT32_MAX};
  for (size_t i = 0; i < sizeof unknown / sizeof unknown[0]; ++i) {
    Expect(strcmp(VarnoloResultText(unknown[i]), VARNOLO_UNKNOWN_RESULT_TEXT) == 0,
           "an unknown code", unknown[i]);
  }
}

static void Labels(void) {
  for (int k = 0; k < VARNOLO_TOTAL_COUNT; ++k) {
    for (int j = 0; j < k; ++j)
      Expect(strcmp(VarnoloTotalLabel(k), VarnoloTotalLabel(j)) != 0, "distinct total", k);
  }
  for (int k = 0; k < VARNOLO_COUNTER_COUNT; ++k) {
    for (int j = 0; j < k; ++j)
      Expect(strcmp(VarnoloCounterLabel(k), VarnoloCounterLabel(j)) != 0, "distinct counter", k);
  }
  for (int k = 0; k < VARNOLO_TAPE_KIND_COUNT; ++k) {
    for (int j = 0; j < k; ++j)
      Expect(strcmp(VarnoloTapeKindLabel(k), VarnoloTapeKindLabel(j)) != 0, "distinct kind", k);
  }
  Expect(strcmp(VarnoloTotalLabel(VARNOLO_TOTAL_CASH_IN), "cash in") == 0, "cash in", 6);
  Expect(strcmp(VarnoloTapeKindLabel(VARNOLO_TAPE_CHECK_TOTAL), "check total") == 0, "check total",
         6);
  Expect(VarnoloTotalLabel(18) != NULL && VarnoloTapeKindLabel(-1) != NULL, "never null", 18);
}

/* The trace file: absent without the variable; with it, a port that would
 * not open leaves one line with the system's reason. */
static void TraceOfAPortThatWouldNotOpen(void) {
  char path[64];
  snprintf(path, sizeof path, "/tmp/varnolo-c-trace-%ld.txt", (long)getpid());
  remove(path);
  setenv("VARNOLO_COM1", "/dev/varnolo-c-no-such-device", 1);
  unsetenv("VARNOLO_TRACE");
  Expect(CRInitInterface(1, 0) == 0, "no session on a missing device", 0);
  Expect(access(path, F_OK) != 0, "no trace file without VARNOLO_TRACE", 0);

  setenv("VARNOLO_TRACE", path, 1);
  Expect(CRInitInterface(1, 0) == 0, "no session on a missing device", 0);
  unsetenv("VARNOLO_TRACE");
  FILE* trace = fopen(path, "r");
  Expect(trace != NULL, "a trace file with VARNOLO_TRACE", 0);
  if (trace == NULL) return;
  char line[512] = "";
  const int read = fgets(line, sizeof line, trace) != NULL;
  Expect(read && strstr(line, "/dev/varnolo-c-no-such-device") != NULL,
         "the trace names the device", 0);
  Expect(read && strstr(line, "No such file or directory") != NULL,
         "the trace gives the system's reason", 0);
  Expect(fgets(line, sizeof line, trace) == NULL, "one line, no packets", 0);
  fclose(trace);
  remove(path);
}

int main(void) {
  ResultTexts();
  Labels();
  TraceOfAPortThatWouldNotOpen();
  if (failures == 0) printf("public headers and the trace from C: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
