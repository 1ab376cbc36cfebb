/*
 * Varnolo: result codes in words, for integrators in C and C++.
 *
 * Header-only: nothing here is exported by the library, so the DLL keeps its
 * 70 functions. Include it beside varnolo.h where a result is shown to people
 * or written to a log:
 *
 *   ResultCode r = CRCreateCheck(items, n, paid, 0, 0);
 *   if (r != CR_OK) fprintf(stderr, "check: %s (%d)\n", VarnoloResultText(r), (int)r);
 *
 * This table is the one source of the texts: the varnolo tool, the service
 * and the Python package read them from here.
 */
#ifndef VARNOLO_TEXT_H
#define VARNOLO_TEXT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* VARNOLO_RESULT_TEXT(code, sentence): one row per code the library itself
 * returns. Kept as one list so that other languages can read it as data. */
#define VARNOLO_RESULT_TEXTS(VARNOLO_RESULT_TEXT)                                                  \
  VARNOLO_RESULT_TEXT(0, "Done.")                                                                  \
  VARNOLO_RESULT_TEXT(256, "No session: the port is not open (call CRInitInterface first).")       \
  VARNOLO_RESULT_TEXT(257, "An argument, address or length is out of its range.")                  \
  VARNOLO_RESULT_TEXT(258, "Not carried out: an argument was not recognised or this firmware "     \
                           "has no such routine.")                                                 \
  VARNOLO_RESULT_TEXT(259, "No complete, intact reply in time: for a document, check the tape "    \
                           "count before repeating it.")                                           \
  VARNOLO_RESULT_TEXT(261, "A shift is open: close it first.")                                     \
  VARNOLO_RESULT_TEXT(263, "The register's state does not allow it: no shift open, nothing to "    \
                           "annul, or the tape may not be closed.")                                \
  VARNOLO_RESULT_TEXT(264, "The register's configuration does not allow it.")                      \
  VARNOLO_RESULT_TEXT(265, "The register refused further documents: close the shift.")             \
  VARNOLO_RESULT_TEXT(266, "The control tape has no room for the check: close the shift and the "  \
                           "tape.")                                                                \
  VARNOLO_RESULT_TEXT(267, "The goods-base entry is empty.")                                       \
  VARNOLO_RESULT_TEXT(268, "Not enough cash: paid by the customer, or held in the drawer.")        \
  VARNOLO_RESULT_TEXT(269, "An amount or a line sum is above 99999.99.")

/* For the register's own status bytes (1 to 255). */
#define VARNOLO_REGISTER_STATUS_TEXT "The register refused the request with its own status code."
/* For any other code. */
#define VARNOLO_UNKNOWN_RESULT_TEXT "Unknown result code."

/* inline is C99 and C++; a C89 compiler gets its own spelling of it. */
#ifndef VARNOLO_STATIC_INLINE
#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 199901L)
#define VARNOLO_STATIC_INLINE static inline
#elif defined(__GNUC__)
#define VARNOLO_STATIC_INLINE static __inline__
#elif defined(_MSC_VER)
#define VARNOLO_STATIC_INLINE static __inline
#else
#define VARNOLO_STATIC_INLINE static
#endif
#endif

/* A sentence for a result code; never null, never to be freed. */
VARNOLO_STATIC_INLINE const char* VarnoloResultText(int32_t code) {
  switch (code) {
#define VARNOLO_RESULT_TEXT_CASE(c, text) \
  case c:                                 \
    return text;
    VARNOLO_RESULT_TEXTS(VARNOLO_RESULT_TEXT_CASE)
#undef VARNOLO_RESULT_TEXT_CASE
    default:
      break;
  }
  if (code >= 1 && code <= 255) return VARNOLO_REGISTER_STATUS_TEXT;
  return VARNOLO_UNKNOWN_RESULT_TEXT;
}

#ifdef __cplusplus
}
#endif

#endif /* VARNOLO_TEXT_H */
