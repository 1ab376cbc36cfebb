/* A Windows application in miniature: loads Varnolo.dll by name, resolves all
 * 70 functions, and runs a working session against the register on COM1:
 * start-up, configuration, a sale check, an X report, the control tape
 * through a stdcall callback, trade totals, shutdown. Prints what it checked
 * and exits nonzero on any failure. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "varnolo.h"

static const char* const kNames[] = {
#define VARNOLO_EXPORT(ordinal, name, bytes) #name,
#include "exports/exports.inc"
#undef VARNOLO_EXPORT
};

static int passed = 0;
static int failed = 0;

static void Check(int ok, const char* what) {
  printf("%s %s\n", ok ? "ok  " : "FAIL", what);
  if (ok)
    passed++;
  else
    failed++;
}

static int entries = 0;
static int userSeen = 0;
static double tapeTotal = 0;

static int32_t VARNOLO_CALL Collect(const ControlTapeEntry* e, int32_t user) {
  entries++;
  userSeen = user;
  if (e->kind == 6) tapeTotal += e->amount;
  return 1;
}

typedef int32_t(VARNOLO_CALL* InitFn)(uint32_t, int32_t);
typedef int32_t(VARNOLO_CALL* VoidFn)(void);
typedef int32_t(VARNOLO_CALL* ConfigFn)(RegisterConfiguration*);
typedef int32_t(VARNOLO_CALL* TaxFn)(double, uint32_t);
typedef int32_t(VARNOLO_CALL* CheckFn)(CheckItem*, uint32_t, double, int32_t, int32_t);
typedef int32_t(VARNOLO_CALL* ReportFn)(int32_t);
typedef int32_t(VARNOLO_CALL* EnumFn)(ControlTapeCallback, int32_t);
typedef int32_t(VARNOLO_CALL* TotalsFn)(TradeTotals*, TradeCounters*, uint32_t, int32_t);
typedef int32_t(VARNOLO_CALL* HeaderFn)(const char*);
typedef int32_t(VARNOLO_CALL* GetHeaderFn)(char*);

int main(int argc, char** argv) {
  const char* dll = argc > 1 ? argv[1] : "Varnolo.dll";
  HMODULE lib = LoadLibraryA(dll);
  Check(lib != NULL, "LoadLibraryA");
  if (lib == NULL) return 1;

  HRSRC table = FindResourceExA(lib, "VERSUPP", MAKEINTRESOURCEA(108), 1049);
  Check(table != NULL && SizeofResource(lib, table) == 128166,
        "resource VERSUPP 108, language 1049, 128166 bytes");
  if (table != NULL) {
    const unsigned char* bytes = (const unsigned char*)LockResource(LoadResource(lib, table));
    Check(bytes != NULL && bytes[0] == 3 && bytes[1] == 7, "the table's version window is 3 to 7");
  }

  int resolved = 0;
  for (size_t i = 0; i < sizeof kNames / sizeof kNames[0]; ++i) {
    if (GetProcAddress(lib, kNames[i]) != NULL)
      resolved++;
    else
      printf("missing %s\n", kNames[i]);
  }
  Check(resolved == 70, "GetProcAddress finds all 70 functions");

  InitFn init = (InitFn)(void*)GetProcAddress(lib, "CRInitInterface");
  VoidFn destroy = (VoidFn)(void*)GetProcAddress(lib, "CRDestroyInterface");
  ConfigFn configure = (ConfigFn)(void*)GetProcAddress(lib, "CRConfigure");
  ConfigFn getConfiguration = (ConfigFn)(void*)GetProcAddress(lib, "CRGetConfiguration");
  TaxFn setTax = (TaxFn)(void*)GetProcAddress(lib, "CRSetTaxVal");
  CheckFn createCheck = (CheckFn)(void*)GetProcAddress(lib, "CRCreateCheck");
  ReportFn report = (ReportFn)(void*)GetProcAddress(lib, "CRReport");
  EnumFn enumTape = (EnumFn)(void*)GetProcAddress(lib, "CREnumControlTapeEntries");
  TotalsFn totals = (TotalsFn)(void*)GetProcAddress(lib, "CRGetTradeResults");
  HeaderFn setHeader = (HeaderFn)(void*)GetProcAddress(lib, "CRSetHeader");
  GetHeaderFn getHeader = (GetHeaderFn)(void*)GetProcAddress(lib, "CRGetHeader");
  VoidFn number = (VoidFn)(void*)GetProcAddress(lib, "CRGetCRNumber");

  Check(init(1, 0) == 1, "CRInitInterface on COM1");
  Check(number() == 1, "CRGetCRNumber");

  RegisterConfiguration config = {0, 0, 1, 1, 1, 8, {0, 0, 0}};
  Check(configure(&config) == CR_OK, "CRConfigure");
  RegisterConfiguration back;
  memset(&back, 0, sizeof back);
  Check(getConfiguration(&back) == CR_OK && back.sectionCount == 8 && back.useTaxes == 1,
        "CRGetConfiguration reads it back");

  /* "МАГАЗИН" in code page 1251: CharToOemBuffA takes it to the register's 866 */
  const char* header = "\xcc\xc0\xc3\xc0\xc7\xc8\xcd~Windows";
  char headerBack[96];
  Check(setHeader(header) == CR_OK, "CRSetHeader with Cyrillic");
  Check(getHeader(headerBack) == CR_OK && strcmp(headerBack, header) == 0,
        "CRGetHeader returns it");

  Check(setTax(20.0, 1) == CR_OK, "CRSetTaxVal");
  CheckItem items[2] = {{2, 10.00, 0, 5, 1, 0}, {1, 3.50, 0, 0, 1, 1}};
  Check(createCheck(items, 2, 50.0, 1, 0) == CR_OK, "CRCreateCheck");
  Check(report(5) == CR_OK, "CRReport X");

  Check(enumTape(Collect, 42) == CR_OK, "CREnumControlTapeEntries");
  Check(entries == 3 && userSeen == 42, "three tape entries through the stdcall callback");
  Check(tapeTotal > 23.19 && tapeTotal < 23.21, "the check total on the tape");

  TradeTotals t;
  TradeCounters n;
  Check(
      totals(&t, &n, 0, 0) == CR_OK && t.value[0] > 23.19 && t.value[0] < 23.21 && n.count[0] == 1,
      "CRGetTradeResults");
  Check(destroy() == 0, "CRDestroyInterface");
  Check(number() == 0, "no session afterwards");

  printf("%d passed, %d failed\n", passed, failed);
  FreeLibrary(lib);
  return failed == 0 ? 0 : 1;
}
