/* Sells one check through Varnolo's public C interface, and after a failure
 * tells whether the register printed it anyway.
 *
 *   sell_one [PORT-SELECTOR]   0 = COM1 (default), 1 = COM2
 *
 * On Linux, COM1 is the device named by VARNOLO_COM1 (default /dev/ttyS0);
 * try it against the simulator:
 *   varnolo-sim --pty --link /tmp/register &
 *   VARNOLO_COM1=/tmp/register ./sell_one
 * and with a lost answer:
 *   varnolo-sim --pty --link /tmp/register --fault drop@0x0701+1 &
 *
 * Exit status: 0 printed, 1 not printed, 4 printed although the call failed,
 * 5 unknown (look at the control tape before selling again), 3 no register.
 */
#if defined(_WIN32)
#include <windows.h>
#else
#define _POSIX_C_SOURCE 200809L
#include <time.h>
#endif
#include <stdio.h>
#include <stdlib.h>

#include "varnolo.h"
#include "varnolo_text.h"

static long long NowMs(void) {
#if defined(_WIN32)
  return (long long)GetTickCount64();
#else
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
#endif
}

static void PauseMs(int ms) {
#if defined(_WIN32)
  Sleep((DWORD)ms);
#else
  struct timespec t = {ms / 1000, (long)(ms % 1000) * 1000000L};
  nanosleep(&t, NULL);
#endif
}

/* Reads the tape count until two reads in a row agree (the line has been
 * quiet) or the deadline passes. Returns 1 with the count, 0 when unknown. */
static int SteadyTapeCount(long long deadline, uint16_t* count) {
  int have = 0;
  uint16_t previous = 0;
  for (;;) {
    uint16_t now = 0;
    const ResultCode r = CRGetNumOfShoppings(&now);
    if (r == CR_OK && have && now == previous) {
      *count = now;
      return 1;
    }
    have = r == CR_OK; /* a failed read starts the agreement over */
    previous = now;
    if (r == CR_ERR_PORT_CLOSED || NowMs() >= deadline) return 0;
    PauseMs(250);
  }
}

int main(int argc, char** argv) {
  const int32_t port = argc > 1 ? atoi(argv[1]) : 0;
  if (CRInitInterface(1, port) != 1) {
    fprintf(stderr, "no register answered\n");
    return 3;
  }
  int status = 0;
  uint16_t before = 0;
  ResultCode result = CRGetNumOfShoppings(&before);
  if (result != CR_OK) {
    /* Without the count before, a failure could not be judged: send nothing. */
    fprintf(stderr, "the tape count cannot be read, nothing sold: %s\n", VarnoloResultText(result));
    CRDestroyInterface();
    return 1;
  }
  /* Two loaves at 45.50 in section 1, no tax, paid 100 in cash. One line:
   * the register may take 5000 ms per line + 4000 ms to print it. */
  const long long printTimeoutMs = 5000 * 1 + 4000;
  const long long start = NowMs();
  CheckItem line = {2, 45.50, 0, 0, 1, 0};
  result = CRCreateCheck(&line, 1, 100.00, 1, 0);
  if (result == CR_OK) {
    printf("check printed\n");
  } else {
    fprintf(stderr, "the check may have been printed (%s); checking the tape\n",
            VarnoloResultText(result));
    const long long failed = NowMs();
    const long long left = printTimeoutMs > failed - start ? printTimeoutMs - (failed - start) : 0;
    uint16_t after = 0;
    /* A smaller count: the tape was closed meanwhile, and tells nothing. */
    if (!SteadyTapeCount(failed + left + 2 * 2000 + 250, &after) || after < before) {
      printf("UNKNOWN whether the check was printed: look at the tape before selling again\n");
      status = 5;
    } else if (after > before) {
      printf("the check WAS printed (tape %u -> %u entries): do not sell it again\n",
             (unsigned)before, (unsigned)after);
      status = 4;
    } else {
      printf("the check was not printed: %s\n", VarnoloResultText(result));
      status = 1;
    }
  }
  CRDestroyInterface();
  return status;
}
