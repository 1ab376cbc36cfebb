#include "money_documents.h"

#include <string.h>

#include "varnolo.h"

/* quantity x price, where the exact decimal product sits on a half hundredth
 * or the binary product lands just beside it. */
static const double kLines[][2] = {
    {0.001, 15.00}, {0.45, 2.50},   {2.675, 1.00}, {1.005, 1.00}, {0.035, 1.00}, {1.115, 10.00},
    {0.285, 1.00},  {3.000, 0.335}, {0.125, 0.10}, {1.001, 0.05}, {0.007, 0.70}, {65.535, 1.01},
};

/* price, raise percent, discount percent */
static const double kAdjusted[][3] = {
    {10.05, 0, 5}, {0.15, 0, 50}, {19.99, 12.5, 0}, {1.10, 0, 99.99}, {2.01, 0.5, 0},
};

static int Expect(FILE* out, const char* name, int32_t result, int32_t expected) {
  fprintf(out, "%s %d\n", name, (int)result);
  return result == expected ? 0 : 1;
}

static CheckItem Line(double quantity, double price, double raise, double discount) {
  CheckItem item;
  memset(&item, 0, sizeof item);
  item.quantity = quantity;
  item.price = price;
  item.raisePercent = raise;
  item.discountPercent = discount;
  item.section = 1;
  item.taxNumber = 0;
  return item;
}

int RunMoneyDocuments(FILE* out) {
  int wrong = 0;
  size_t i;
  CheckItem item;
  if (CRInitInterface(1, 0) != 1) {
    fprintf(out, "no session\n");
    return 1;
  }
  /* A drawer holding exactly 0.07 pays out 0.07. */
  wrong += Expect(out, "cash-in 0.07", CRCreateInputCheck(0.07), CR_OK);
  wrong += Expect(out, "cash-out 0.07", CRCreateTakeoffCheck(0.07), CR_OK);
  for (i = 0; i < sizeof kLines / sizeof kLines[0]; ++i) {
    item = Line(kLines[i][0], kLines[i][1], 0, 0);
    wrong += Expect(out, "line", CRCreateCheck(&item, 1, 0, 0, 0), CR_OK);
  }
  for (i = 0; i < sizeof kAdjusted / sizeof kAdjusted[0]; ++i) {
    item = Line(1, kAdjusted[i][0], kAdjusted[i][1], kAdjusted[i][2]);
    wrong += Expect(out, "adjusted", CRCreateCheck(&item, 1, 0, 0, 0), CR_OK);
  }
  /* Paid exactly the total (0.45 x 2.50 = 1.125: 1.13 rounded half up). */
  item = Line(0.45, 2.50, 0, 0);
  wrong += Expect(out, "paid the total", CRCreateCheck(&item, 1, 1.13, 1, 0), CR_OK);
  wrong += Expect(out, "pack", CRCreatePackCheck(1, 0.015), CR_OK);
  CRDestroyInterface();
  return wrong;
}
