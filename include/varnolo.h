/*
 * Varnolo: driver library for the fiscal cash register on a serial port.
 *
 * The C interface of Varnolo.dll (Windows) and libvarnolo.so (Linux).
 * Every function returns a result code (0 = success) unless its comment says
 * otherwise. Records are packed to 1 byte; their sizes and offsets are part of
 * the binary interface and are checked at compile time.
 *
 * The library is not thread-safe: call it from one thread at a time.
 */
#ifndef VARNOLO_H
#define VARNOLO_H

#include <stdint.h>

#if defined(_WIN32)
#define VARNOLO_CALL __stdcall
#if defined(VARNOLO_BUILDING_LIBRARY)
#define VARNOLO_API
#else
#define VARNOLO_API __declspec(dllimport)
#endif
#else
#define VARNOLO_CALL
#define VARNOLO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result codes ------------------------------------------------------ */

typedef int32_t ResultCode;

#define CR_OK 0 /* success */
/* 1 to 255: the register's own status byte, passed up unchanged */
#define CR_ERR_PORT_CLOSED 256      /* no session: the port is not open */
#define CR_ERR_OUT_OF_RANGE 257     /* an argument, address or length out of range */
#define CR_ERR_NOT_CARRIED_OUT 258  /* not recognised, no entry point, not carried out */
#define CR_ERR_NO_REPLY 259         /* no complete, intact reply in time (documents: see Checks) */
#define CR_ERR_SHIFT_OPEN 261       /* a shift is open */
#define CR_ERR_WRONG_STATE 263      /* no shift open, nothing to annul, tape may not close */
#define CR_ERR_CONFIGURATION 264    /* the configuration does not allow it */
#define CR_ERR_SHIFT_REFUSED 265    /* the register refused further documents */
#define CR_ERR_TAPE_FULL 266        /* the control tape has no room for the check */
#define CR_ERR_GOODS_EMPTY 267      /* the goods-base entry is empty */
#define CR_ERR_NOT_ENOUGH_CASH 268  /* not enough cash paid or held */
#define CR_ERR_AMOUNT_TOO_LARGE 269 /* an amount or line sum above 99999.99 */

/* ---- Records ----------------------------------------------------------- */

#pragma pack(push, 1)

/* Date and time, plain numbers (not BCD). 8 bytes. */
typedef struct TimeDate {
  uint8_t day;      /* 1..31 */
  uint8_t month;    /* 1..12 */
  uint16_t year;    /* with century, e.g. 2007 */
  uint8_t hour;     /* 0..23 */
  uint8_t minute;   /* 0..59 */
  uint8_t second;   /* 0..59 */
  uint8_t reserved; /* never read by the setters, never written by the getter */
} TimeDate;

/* Configuration flags for CRConfigureEx / CRGetConfigurationEx. */
#define CR_CFG_USE_CASHIERS 0x01u
#define CR_CFG_OPTION02 0x02u
#define CR_CFG_EXTENDED_CHECKS 0x04u
#define CR_CFG_USE_TAXES 0x08u
#define CR_CFG_USE_GOODS_BASE 0x10u
#define CR_CFG_SECTION_COUNT 0x20u
#define CR_CFG_ALL 0xFFFFFFFFu

/* The register's six configuration settings. 24 bytes. */
typedef struct RegisterConfiguration {
  int32_t useCashiers;    /* 1 = cashiers are registered */
  int32_t option02;       /* on/off option */
  int32_t useGoodsBase;   /* 1 = the internal goods base is used */
  int32_t extendedChecks; /* 1 = extended check lines are allowed */
  int32_t useTaxes;       /* 1 = taxes are used */
  uint8_t sectionCount;   /* 1..16 */
  uint8_t reserved[3];
} RegisterConfiguration;

/* One line of a sale check (CRCreateCheck, CRCreateIntGBCheck). 40 bytes.
 * The library truncates the doubles in place. */
typedef struct CheckItem {
  double quantity;        /* 0..65.535, 3 decimals */
  double price;           /* 0..99999.99, 2 decimals */
  double raisePercent;    /* 0..999.99 */
  double discountPercent; /* 0..99.99 */
  uint32_t section;       /* 1..16, not above sectionCount */
  uint32_t taxNumber;     /* 0 = no tax, 1..3 */
} CheckItem;

/* One line of an extended sale check (CRCreateCheckEx). 80 bytes. */
typedef struct CheckItemEx {
  double quantity;
  double price;
  double raisePercent;
  double discountPercent;
  uint32_t section;
  uint32_t taxNumber;
  int32_t byPieces; /* nonzero: whole pieces; 0: a weight */
  int32_t reserved; /* not read */
  char name[16];    /* ANSI; exactly the first 15 bytes are sent */
  char barcode[16]; /* 13 ASCII digits, or first byte 0 for none */
} CheckItemEx;

/* One entry of the register's internal goods base. 48 bytes. */
typedef struct GoodsEntry {
  double price;        /* 0..99999.99 */
  int32_t byPieces;    /* 0 weight, 1 pieces, 2 pieces with computed check digit */
  uint32_t section;    /* 1..16 */
  char name[16];       /* ANSI, NUL-terminated, at most 15 characters stored */
  char barcode[14];    /* 13 ASCII digits and NUL, or empty */
  uint8_t reserved[2]; /* never touched */
} GoodsEntry;

/* A decorated check: one amount and a 255-byte text block. 264 bytes. */
typedef struct DecoratedCheck {
  double amount;  /* currency units, not negative */
  char text[256]; /* ANSI; exactly the first 255 bytes are sent */
} DecoratedCheck;

/* Trade totals: 18 amounts in currency units. 144 bytes. */
typedef struct TradeTotals {
  double value[18];
} TradeTotals;

/* Trade counters: 11 counters, 0..65535. 44 bytes. */
typedef struct TradeCounters {
  int32_t count[11];
} TradeCounters;

/* One control-tape entry as handed to the callback. 42 bytes. */
typedef struct ControlTapeEntry {
  double amount;
  int32_t cashier; /* 1..8 */
  int32_t section; /* 1..16; 0 for a short kind-6 entry */
  int32_t group;   /* 0..3 */
  int32_t kind;    /* 0..7 */
  int32_t flag1;
  int32_t flag0;
  int32_t flagLast;
  uint16_t extraWord1;
  uint16_t extraWord2;
  uint8_t hour;
  uint8_t minute;
} ControlTapeEntry;

/* Control-tape information flags for CRGetCTInfoEx. */
#define CR_CT_DATE_TIME 0x01u
#define CR_CT_ENTRY_COUNT 0x02u
#define CR_CT_STATE_BYTE 0x04u
#define CR_CT_SHIFT_OPEN 0x08u

/* Control-tape state and header. 16 bytes. */
typedef struct ControlTapeInfo {
  int32_t shiftOpen;     /* 1 while a shift is open */
  int32_t stateByteZero; /* 1 when the tape state byte is 0 */
  uint16_t year;
  uint16_t entryCount;
  uint8_t day;
  uint8_t month;
  uint8_t hour;
  uint8_t minute;
} ControlTapeInfo;

#pragma pack(pop)

/* Register state bits stored by CRGetState. */
#define CR_STATE_DRAWER_ALLOWED 0x1u
#define CR_STATE_PRINT_ALLOWED 0x2u
#define CR_STATE_LOCKED 0x4u

/* Called once per control-tape entry; return nonzero to go on, 0 to stop.
 * The entry is valid only during the call. */
typedef int32_t(VARNOLO_CALL* ControlTapeCallback)(const ControlTapeEntry* entry, int32_t user);

/* ---- Session ----------------------------------------------------------- */

/* Opens the session: port 0 = "COM1", any other value = "COM2".
 * Returns 1 when the session is open, 0 on failure (not a result code). */
VARNOLO_API int32_t VARNOLO_CALL CRInitInterface(uint32_t registerNumber, int32_t port);
/* Ends the session; always returns 0. */
VARNOLO_API int32_t VARNOLO_CALL CRDestroyInterface(void);
VARNOLO_API ResultCode VARNOLO_CALL CRLockCashRegister(void);
VARNOLO_API ResultCode VARNOLO_CALL CRUnlockCashRegister(void);
/* 500 or 1800 entries. */
VARNOLO_API ResultCode VARNOLO_CALL CRGetIGBSize(int32_t* size);
/* The register number of the open session, 0 without one. No traffic. */
VARNOLO_API uint32_t VARNOLO_CALL CRGetCRNumber(void);
/* Always 258. */
VARNOLO_API ResultCode VARNOLO_CALL CREGBQueryAnswer(int32_t a, int32_t b, int32_t c, int32_t d);

/* ---- Configuration ----------------------------------------------------- */

VARNOLO_API ResultCode VARNOLO_CALL CRConfigure(const RegisterConfiguration* config);
VARNOLO_API ResultCode VARNOLO_CALL CRConfigureEx(const RegisterConfiguration* config,
                                                  uint32_t flags);
VARNOLO_API ResultCode VARNOLO_CALL CRGetConfiguration(RegisterConfiguration* config);
VARNOLO_API ResultCode VARNOLO_CALL CRGetConfigurationEx(RegisterConfiguration* config,
                                                         uint32_t flags);
/* Copies the library's configuration cache; no traffic. */
VARNOLO_API void VARNOLO_CALL CRGetQuickConfig(RegisterConfiguration* config);

/* ---- Clock ------------------------------------------------------------- */

VARNOLO_API ResultCode VARNOLO_CALL CRGetTimeDate(TimeDate* time);
VARNOLO_API ResultCode VARNOLO_CALL CRSetTimeDate(TimeDate time);
VARNOLO_API ResultCode VARNOLO_CALL CRSetTimeDateRef(const TimeDate* time);

/* ---- Device options ---------------------------------------------------- */

VARNOLO_API ResultCode VARNOLO_CALL CRSetDigits(uint32_t digits);
VARNOLO_API ResultCode VARNOLO_CALL CRGetDigits(int32_t* digits);
VARNOLO_API ResultCode VARNOLO_CALL CRSetPrintMode(uint32_t printMode1, int32_t printMode2);
VARNOLO_API ResultCode VARNOLO_CALL CRGetPrintMode(int32_t* printMode1, int32_t* printMode2);
VARNOLO_API ResultCode VARNOLO_CALL CRSetInputMode(int32_t inputMode);
VARNOLO_API ResultCode VARNOLO_CALL CRGetInputMode(int32_t* inputMode);
VARNOLO_API ResultCode VARNOLO_CALL CRSetSound(int32_t sound);
VARNOLO_API ResultCode VARNOLO_CALL CRGetSound(int32_t* sound);
VARNOLO_API ResultCode VARNOLO_CALL CRSetSuspendTime(uint32_t suspendTime);
VARNOLO_API ResultCode VARNOLO_CALL CRGetSuspendTime(int32_t* suspendTime);

/* ---- Rates and names --------------------------------------------------- */

VARNOLO_API ResultCode VARNOLO_CALL CRSetDiscountOrRaiseVal(double rate, int32_t isDiscount);
VARNOLO_API ResultCode VARNOLO_CALL CRGetDiscountOrRaiseVal(double* rate, int32_t isDiscount);
VARNOLO_API ResultCode VARNOLO_CALL CRSetTaxVal(double rate, uint32_t taxNumber);
VARNOLO_API ResultCode VARNOLO_CALL CRGetTaxVal(double* rate, uint32_t taxNumber);
VARNOLO_API ResultCode VARNOLO_CALL CRSetDiscountOrRaiseName(const char* name, int32_t isDiscount);
/* buffer: at least 11 bytes */
VARNOLO_API ResultCode VARNOLO_CALL CRGetDiscountOrRaiseName(char* buffer, int32_t isDiscount);
VARNOLO_API ResultCode VARNOLO_CALL CRSetTaxName(const char* name, uint32_t taxNumber);
/* buffer: at least 11 bytes */
VARNOLO_API ResultCode VARNOLO_CALL CRGetTaxName(char* buffer, uint32_t taxNumber);

/* ---- Texts ------------------------------------------------------------- */

VARNOLO_API ResultCode VARNOLO_CALL CRSetHeader(const char* text);
/* buffer: at least 96 bytes */
VARNOLO_API ResultCode VARNOLO_CALL CRGetHeader(char* buffer);
VARNOLO_API ResultCode VARNOLO_CALL CRSetFooter(const char* text);
/* buffer: at least 58 bytes */
VARNOLO_API ResultCode VARNOLO_CALL CRGetFooter(char* buffer);
VARNOLO_API ResultCode VARNOLO_CALL CRSetSectionName(const char* name, uint32_t section);
/* buffer: at least 16 bytes */
VARNOLO_API ResultCode VARNOLO_CALL CRGetSectionName(char* buffer, uint32_t section);
VARNOLO_API ResultCode VARNOLO_CALL CRSetCashierName(const char* name, uint32_t cashier);
/* buffer: at least 16 bytes */
VARNOLO_API ResultCode VARNOLO_CALL CRGetCashierName(char* buffer, uint32_t cashier);

/* ---- Cashiers and goods base ------------------------------------------- */

VARNOLO_API ResultCode VARNOLO_CALL CRSetCurrentCashier(uint32_t cashier);
VARNOLO_API ResultCode VARNOLO_CALL CRGetCurrentCashier(int32_t* cashier);
/* entry may be null: the slot is cleared */
VARNOLO_API ResultCode VARNOLO_CALL CRSetInternalGBEntry(const GoodsEntry* entry, uint32_t number);
VARNOLO_API ResultCode VARNOLO_CALL CRGetInternalGBEntry(GoodsEntry* entry, uint32_t number);

/* ---- Checks ------------------------------------------------------------ */

/* A document call (the eight CRCreate...Check calls and CRAnnulCheck) that
 * returns anything but 0 may still have been registered and printed: the
 * register can print and lose its answer (259), answer after the library
 * stopped waiting (259), or print and then refuse the closing reset (a
 * register status). Never repeat a failed document blindly; the control
 * tape's entry count tells:
 *
 *   1. Read CRGetNumOfShoppings(&before). If that fails, do not send the
 *      document: nothing could tell afterwards what happened.
 *   2. Run the document. 0: it was printed.
 *   3. Otherwise wait until the line has been quiet: the register may still
 *      be printing and its late answer still on the way. Read
 *      CRGetNumOfShoppings(&after) again, about 250 ms apart, until two
 *      successful reads in a row agree (a failed read starts over). Stop
 *      when what is left of the document's print timeout has passed
 *      (5000 ms per line + 4000 ms for a sale check, 10000 ms for a
 *      decorated check, 20000 ms for the others), plus two reads.
 *   4. after > before: registered, do not repeat it. after == before: not
 *      registered, it may be repeated. after < before (the tape was closed
 *      meanwhile) or no agreement in time: unknown; look at the tape before
 *      repeating.
 */

VARNOLO_API ResultCode VARNOLO_CALL CRCreateCheck(CheckItem* items, uint32_t count, double paid,
                                                  int32_t paidGiven, int32_t nonCash);
VARNOLO_API ResultCode VARNOLO_CALL CRCreateCheckEx(CheckItemEx* items, uint32_t count, double paid,
                                                    int32_t paidGiven, int32_t nonCash);
VARNOLO_API ResultCode VARNOLO_CALL CRCreateIntGBCheck(CheckItem* item, int32_t goodsNumber);
VARNOLO_API ResultCode VARNOLO_CALL CRCreateDecoratedCheck(const DecoratedCheck* check);
VARNOLO_API ResultCode VARNOLO_CALL CRCreateInputCheck(double amount);
VARNOLO_API ResultCode VARNOLO_CALL CRCreateTakeoffCheck(double amount);
VARNOLO_API ResultCode VARNOLO_CALL CRCreatePackCheck(uint32_t section, double amount);
VARNOLO_API ResultCode VARNOLO_CALL CRCreateMoneyBackCheck(uint32_t section, double amount);
VARNOLO_API ResultCode VARNOLO_CALL CRAnnulCheck(void);

/* ---- Reports, shift and trade totals ----------------------------------- */

/* CRReport's kinds. Any value other than 1..4 prints the X report. */
#define CR_REPORT_CASHIERS 1 /* by cashier (needs cashiers in the configuration) */
#define CR_REPORT_SECTIONS 2 /* by section */
#define CR_REPORT_HOURLY 3   /* by hour */
#define CR_REPORT_GOODS 4    /* by goods-base entry */
#define CR_REPORT_X 5        /* the day's totals without closing the shift */

VARNOLO_API ResultCode VARNOLO_CALL CRReport(int32_t kind);
VARNOLO_API ResultCode VARNOLO_CALL CRCloseSwitch(void);
VARNOLO_API ResultCode VARNOLO_CALL CRGetTradeResults(TradeTotals* totals, TradeCounters* counters,
                                                      uint32_t index, int32_t byCashier);

/* ---- Control tape ------------------------------------------------------ */

VARNOLO_API ResultCode VARNOLO_CALL CRGetNumOfShoppings(uint16_t* count);
VARNOLO_API ResultCode VARNOLO_CALL CREnumControlTapeEntries(ControlTapeCallback callback,
                                                             int32_t user);
VARNOLO_API ResultCode VARNOLO_CALL CREnumCTEntriesFromShopping(ControlTapeCallback callback,
                                                                int32_t first, int32_t user);
VARNOLO_API ResultCode VARNOLO_CALL CREnumCTEntriesFromShopping2(ControlTapeCallback callback,
                                                                 int32_t first, uint32_t last,
                                                                 int32_t user);
VARNOLO_API ResultCode VARNOLO_CALL CRGetCTInfo(ControlTapeInfo* info);
VARNOLO_API ResultCode VARNOLO_CALL CRGetCTInfoEx(ControlTapeInfo* info, uint32_t flags);
VARNOLO_API ResultCode VARNOLO_CALL CRCloseCT(void);

/* ---- State and peripherals --------------------------------------------- */

VARNOLO_API ResultCode VARNOLO_CALL CRGetState(uint32_t* state);
VARNOLO_API ResultCode VARNOLO_CALL CRAllowBoxMove(int32_t allow);
VARNOLO_API ResultCode VARNOLO_CALL CRAllowPrintCheck(int32_t allow);
VARNOLO_API ResultCode VARNOLO_CALL CRBoxOut(void);
VARNOLO_API ResultCode VARNOLO_CALL CRDisplay(const char* text, uint32_t position, int32_t flag);
VARNOLO_API ResultCode VARNOLO_CALL CRTestTPD(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ---- Layout checks ----------------------------------------------------- */

/* Each check is a declaration, so that its semicolon is never an empty one.
 * Before C11 and C++11 a wrong size makes an array of size -1. */
#include <stddef.h>
#if defined(__cplusplus) && __cplusplus >= 201103L
#define VARNOLO_ASSERT_SIZE(T, n) static_assert(sizeof(T) == (n), #T " size")
#define VARNOLO_ASSERT_AT(T, f, n) static_assert(offsetof(T, f) == (n), #T "." #f " offset")
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define VARNOLO_ASSERT_SIZE(T, n) _Static_assert(sizeof(T) == (n), #T " size")
#define VARNOLO_ASSERT_AT(T, f, n) _Static_assert(offsetof(T, f) == (n), #T "." #f " offset")
#else
#define VARNOLO_ASSERT_SIZE(T, n) typedef char VarnoloSizeOf_##T[sizeof(T) == (n) ? 1 : -1]
#define VARNOLO_ASSERT_AT(T, f, n) \
  typedef char VarnoloOffsetOf_##T##_##f[offsetof(T, f) == (n) ? 1 : -1]
#endif

VARNOLO_ASSERT_SIZE(TimeDate, 8);
VARNOLO_ASSERT_AT(TimeDate, year, 2);
VARNOLO_ASSERT_AT(TimeDate, hour, 4);
VARNOLO_ASSERT_AT(TimeDate, second, 6);
VARNOLO_ASSERT_SIZE(RegisterConfiguration, 24);
VARNOLO_ASSERT_AT(RegisterConfiguration, option02, 4);
VARNOLO_ASSERT_AT(RegisterConfiguration, useGoodsBase, 8);
VARNOLO_ASSERT_AT(RegisterConfiguration, extendedChecks, 12);
VARNOLO_ASSERT_AT(RegisterConfiguration, useTaxes, 16);
VARNOLO_ASSERT_AT(RegisterConfiguration, sectionCount, 20);
VARNOLO_ASSERT_SIZE(CheckItem, 40);
VARNOLO_ASSERT_AT(CheckItem, price, 8);
VARNOLO_ASSERT_AT(CheckItem, raisePercent, 16);
VARNOLO_ASSERT_AT(CheckItem, discountPercent, 24);
VARNOLO_ASSERT_AT(CheckItem, section, 32);
VARNOLO_ASSERT_AT(CheckItem, taxNumber, 36);
VARNOLO_ASSERT_SIZE(CheckItemEx, 80);
VARNOLO_ASSERT_AT(CheckItemEx, byPieces, 40);
VARNOLO_ASSERT_AT(CheckItemEx, name, 48);
VARNOLO_ASSERT_AT(CheckItemEx, barcode, 64);
VARNOLO_ASSERT_SIZE(GoodsEntry, 48);
VARNOLO_ASSERT_AT(GoodsEntry, byPieces, 8);
VARNOLO_ASSERT_AT(GoodsEntry, section, 12);
VARNOLO_ASSERT_AT(GoodsEntry, name, 16);
VARNOLO_ASSERT_AT(GoodsEntry, barcode, 32);
VARNOLO_ASSERT_SIZE(DecoratedCheck, 264);
VARNOLO_ASSERT_AT(DecoratedCheck, text, 8);
VARNOLO_ASSERT_SIZE(TradeTotals, 144);
VARNOLO_ASSERT_SIZE(TradeCounters, 44);
VARNOLO_ASSERT_SIZE(ControlTapeEntry, 42);
VARNOLO_ASSERT_AT(ControlTapeEntry, cashier, 8);
VARNOLO_ASSERT_AT(ControlTapeEntry, section, 12);
VARNOLO_ASSERT_AT(ControlTapeEntry, group, 16);
VARNOLO_ASSERT_AT(ControlTapeEntry, kind, 20);
VARNOLO_ASSERT_AT(ControlTapeEntry, flag1, 24);
VARNOLO_ASSERT_AT(ControlTapeEntry, flag0, 28);
VARNOLO_ASSERT_AT(ControlTapeEntry, flagLast, 32);
VARNOLO_ASSERT_AT(ControlTapeEntry, extraWord1, 36);
VARNOLO_ASSERT_AT(ControlTapeEntry, extraWord2, 38);
VARNOLO_ASSERT_AT(ControlTapeEntry, hour, 40);
VARNOLO_ASSERT_AT(ControlTapeEntry, minute, 41);
VARNOLO_ASSERT_SIZE(ControlTapeInfo, 16);
VARNOLO_ASSERT_AT(ControlTapeInfo, stateByteZero, 4);
VARNOLO_ASSERT_AT(ControlTapeInfo, year, 8);
VARNOLO_ASSERT_AT(ControlTapeInfo, entryCount, 10);
VARNOLO_ASSERT_AT(ControlTapeInfo, day, 12);
VARNOLO_ASSERT_AT(ControlTapeInfo, month, 13);
VARNOLO_ASSERT_AT(ControlTapeInfo, hour, 14);
VARNOLO_ASSERT_AT(ControlTapeInfo, minute, 15);

#endif /* VARNOLO_H */
