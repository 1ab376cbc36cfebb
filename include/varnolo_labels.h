/*
 * Varnolo: names for the numbers the register reports without words.
 *
 * Header-only, nothing exported. The 18 trade totals and 11 trade counters of
 * CRGetTradeResults, the entry kinds of the control tape and its three flags,
 * each by its position. The varnolo tool prints these names and the simulator
 * prints them on its paper log, so a report on paper and on screen agree.
 *
 *   printf("%s %.2f\n", VarnoloTotalLabel(k), totals.value[k]);
 */
#ifndef VARNOLO_LABELS_H
#define VARNOLO_LABELS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VARNOLO_TOTAL_COUNT 18
#define VARNOLO_COUNTER_COUNT 11
#define VARNOLO_TAPE_KIND_COUNT 8

/* Positions in TradeTotals.value. */
enum VarnoloTotal {
  VARNOLO_TOTAL_SALES = 0, /* sale checks, tax included */
  VARNOLO_TOTAL_CASH_SALES = 1,
  VARNOLO_TOTAL_NON_CASH_SALES = 2,
  VARNOLO_TOTAL_TAX = 3,
  VARNOLO_TOTAL_DISCOUNTS = 4,
  VARNOLO_TOTAL_RAISES = 5,
  VARNOLO_TOTAL_CASH_IN = 6,
  VARNOLO_TOTAL_CASH_OUT = 7,
  VARNOLO_TOTAL_PACKS = 8,
  VARNOLO_TOTAL_MONEY_BACK = 9,
  VARNOLO_TOTAL_ANNULLED = 10,
  VARNOLO_TOTAL_DECORATED = 11,
  VARNOLO_TOTAL_GOODS_BASE_SALES = 12,
  VARNOLO_TOTAL_NET_SALES = 13 /* sale checks without tax; 14 to 17 are not used */
};

/* Positions in TradeCounters.count. */
enum VarnoloCounter {
  VARNOLO_COUNTER_CHECKS = 0,
  VARNOLO_COUNTER_LINES = 1,
  VARNOLO_COUNTER_CASH_IN = 2,
  VARNOLO_COUNTER_CASH_OUT = 3,
  VARNOLO_COUNTER_PACKS = 4,
  VARNOLO_COUNTER_MONEY_BACK = 5,
  VARNOLO_COUNTER_ANNULMENTS = 6,
  VARNOLO_COUNTER_DECORATED = 7,
  VARNOLO_COUNTER_REPORTS = 8 /* 9 and 10 are not used */
};

/* ControlTapeEntry.kind. */
enum VarnoloTapeKind {
  VARNOLO_TAPE_SALE_LINE = 0,
  VARNOLO_TAPE_MONEY_BACK = 1,
  VARNOLO_TAPE_ANNULMENT = 2,
  VARNOLO_TAPE_CASH_IN = 3,
  VARNOLO_TAPE_CASH_OUT = 4,
  VARNOLO_TAPE_PACK = 5,
  VARNOLO_TAPE_CHECK_TOTAL = 6,
  VARNOLO_TAPE_DECORATED = 7
};

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

/* A name for TradeTotals.value[index]; never null. */
VARNOLO_STATIC_INLINE const char* VarnoloTotalLabel(int index) {
  static const char* const labels[VARNOLO_TOTAL_COUNT] = {
      "sales",    "cash sales", "non-cash sales",   "tax",       "discounts",
      "raises",   "cash in",    "cash out",         "packs",     "money back",
      "annulled", "decorated",  "goods-base sales", "net sales", "total 15",
      "total 16", "total 17",   "total 18"};
  return index >= 0 && index < VARNOLO_TOTAL_COUNT ? labels[index] : "unknown total";
}

/* A name for TradeCounters.count[index]; never null. */
VARNOLO_STATIC_INLINE const char* VarnoloCounterLabel(int index) {
  static const char* const labels[VARNOLO_COUNTER_COUNT] = {
      "checks",      "check lines",       "cash-in documents", "cash-out documents",
      "pack checks", "money-back checks", "annulments",        "decorated checks",
      "reports",     "counter 10",        "counter 11"};
  return index >= 0 && index < VARNOLO_COUNTER_COUNT ? labels[index] : "unknown counter";
}

/* A name for ControlTapeEntry.kind; never null. */
VARNOLO_STATIC_INLINE const char* VarnoloTapeKindLabel(int kind) {
  static const char* const labels[VARNOLO_TAPE_KIND_COUNT] = {
      "sale line", "money back", "annulment",   "cash in",
      "cash out",  "pack",       "check total", "decorated"};
  return kind >= 0 && kind < VARNOLO_TAPE_KIND_COUNT ? labels[kind] : "unknown kind";
}

/* Names for the flags of ControlTapeEntry. flag0: the sale line, check total or
 * annulment was paid other than in cash. flag1: on a check total, the amount
 * paid was given (change was printed). flagLast: not used by the register. */
#define VARNOLO_TAPE_FLAG0_LABEL "non-cash"
#define VARNOLO_TAPE_FLAG1_LABEL "paid given"
#define VARNOLO_TAPE_FLAG_LAST_LABEL "last flag"

#ifdef __cplusplus
}
#endif

#endif /* VARNOLO_LABELS_H */
