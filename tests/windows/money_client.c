/* Runs the money documents through Varnolo.dll with the floating-point unit
 * the way many Windows programs leave it: on 32-bit x86, x87 at extended
 * (64-bit mantissa) precision, the default of MinGW and Delphi programs. */
#include <float.h>
#include <stdio.h>

#include "support/money_documents.h"

int main(void) {
#if defined(__i386__)
  _controlfp(_PC_64, _MCW_PC);
#endif
  const int wrong = RunMoneyDocuments(stdout);
  printf("%d wrong\n", wrong);
  return wrong == 0 ? 0 : 1;
}
