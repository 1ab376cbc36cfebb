/* The same documents, amounts on the rounding edges of their hundredths, run
 * through any build of the library: the Linux one in-process and the Windows
 * DLLs under Wine. Comparing what each put on the wire shows whether every
 * target computes money the same way. */
#ifndef VARNOLO_TEST_MONEY_DOCUMENTS_H
#define VARNOLO_TEST_MONEY_DOCUMENTS_H

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Opens a session on COM1, prints every document, writes one line per call
 * ("name result") to out and closes the session. Returns the number of calls
 * whose result was not the one expected. */
int RunMoneyDocuments(FILE* out);

#ifdef __cplusplus
}
#endif

#endif
