/* Sells one check through Varnolo's public C interface.
 *
 *   sell_one [PORT-SELECTOR]   0 = COM1 (default), 1 = COM2
 *
 * On Linux, COM1 is the device named by VARNOLO_COM1 (default /dev/ttyS0);
 * try it against the simulator:
 *   varnolo-sim --pty --link /tmp/register &
 *   VARNOLO_COM1=/tmp/register ./sell_one
 */
#include <stdio.h>
#include <stdlib.h>

#include "varnolo.h"

int main(int argc, char** argv) {
  const int32_t port = argc > 1 ? atoi(argv[1]) : 0;
  if (CRInitInterface(1, port) != 1) {
    fprintf(stderr, "no register answered\n");
    return 1;
  }
  /* Two loaves at 45.50 in section 1, no tax, paid 100 in cash. */
  CheckItem line = {2, 45.50, 0, 0, 1, 0};
  const ResultCode result = CRCreateCheck(&line, 1, 100.00, 1, 0);
  if (result == CR_OK) {
    printf("check printed\n");
  } else {
    fprintf(stderr, "the check was not printed: result %d\n", result);
  }
  CRDestroyInterface();
  return result == CR_OK ? 0 : 1;
}
