#include "document.h"

#include "memory.h"

namespace varnolo::sim {

LineRecord LineRecord::Parse(std::span<const uint8_t, 102> r) {
  LineRecord l;
  l.section = r[0];
  l.price = GetDigits(r.subspan(1, 7));
  l.quantityFlag = r[8] != 0;
  l.quantityDigits = GetDigits(r.subspan(9, 6));
  l.amount = GetDigits(r.subspan(15, 7));
  l.raise = r[22] != 0;
  l.discount = r[23] != 0;
  l.raisePercent = GetDigits(r.subspan(24, 5));
  l.discountPercent = GetDigits(r.subspan(29, 4));
  l.adjustment = GetDigits(r.subspan(33, 7));
  l.lineSum = GetDigits(r.subspan(40, 7));
  l.kind = r[47];
  for (size_t i = 48; i < 63 && r[i] != 0; ++i) l.name += static_cast<char>(r[i]);
  bool anyDigit = false;
  for (size_t i = 63; i < 76; ++i) {
    l.barcode += static_cast<char>('0' + (r[i] % 10));
    anyDigit = anyDigit || r[i] != 0;
  }
  if (!anyDigit) l.barcode.clear();
  l.goodsNumber = static_cast<uint16_t>(GetBe(r.subspan(76, 2)));
  l.weighed = r[78] != 0;
  l.taxNumber = r[79];
  l.taxRaw = GetDigits(r.subspan(80, 7));
  l.sumWithTax = GetDigits(r.subspan(87, 7));
  l.roundedLineSum = static_cast<uint32_t>(GetBe(r.subspan(94, 3)));
  l.roundedTax = static_cast<uint32_t>(GetBe(r.subspan(97, 3)));
  l.quantity = static_cast<uint16_t>(GetBe(r.subspan(100, 2)));
  return l;
}

TotalsRecord TotalsRecord::Parse(std::span<const uint8_t, 63> r) {
  TotalsRecord t;
  t.lines = r[0];
  t.taxFlag = r[1] != 0;
  t.noPaidAmount = r[2] != 0;
  t.documentKind = r[3];
  t.total = GetDigits(r.subspan(5, 12));
  t.taxTotal = GetDigits(r.subspan(17, 10));
  t.net = GetDigits(r.subspan(27, 10));
  t.paid = GetDigits(r.subspan(37, 10));
  t.change = GetDigits(r.subspan(47, 10));
  t.binaryTotal = GetBe(r.subspan(57, 5));
  t.decorated = r[62] != 0;
  return t;
}

// Texts are built front to back: GCC 12 at -O3 misreads a prepend into a
// temporary string as an overlapping copy.
std::string Money(uint64_t hundredths) {
  std::string text = std::to_string(hundredths / 100);
  text += '.';
  text += static_cast<char>('0' + hundredths % 100 / 10);
  text += static_cast<char>('0' + hundredths % 10);
  return text;
}

std::string Money(char sign, uint64_t hundredths) {
  std::string text(1, sign);
  text += Money(hundredths);
  return text;
}

std::string Money(int64_t hundredths) {
  return hundredths < 0 ? Money('-', static_cast<uint64_t>(-hundredths))
                        : Money(static_cast<uint64_t>(hundredths));
}

}  // namespace varnolo::sim
