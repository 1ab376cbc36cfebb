// Pricing one check line: amount, raise or discount, line sum and tax, written
// into its line record and added to the document's sums.
#pragma once

#include <cstdint>

#include "checks/check_records.h"
#include "link/result.h"

namespace varnolo {

struct LineInput {
  uint32_t section = 1;
  double quantity = 0;
  double price = 0;
  double raisePercent = 0;
  double discountPercent = 0;
  uint32_t taxNumber = 0;  // as the caller gave it; 0 is used while taxes are off
  uint8_t kind = kPlainLine;
  const char* name = nullptr;     // exactly 15 ANSI bytes are sent, or zeros when null
  const char* barcode = nullptr;  // 13 ASCII digits, or zeros when null
  uint16_t goodsNumber = 0;
  bool weighed = false;
  uint32_t quantityField = 0;  // offset 100: thousandths, or pieces
};

// 269 when the line sum, with or without tax, is above 99999.99 (the document
// is then abandoned); a failure to read the tax rate is returned as is.
ResultCode PriceLine(const LineInput& in, CheckLineRecord& record, DocumentSums& sums,
                     bool& anyTax);

// The quantity in thousandths, floor(q x 1000 + 0.5).
uint32_t Thousandths(double quantity);

}  // namespace varnolo
