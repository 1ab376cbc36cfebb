#include "reports/tape_entry.h"

#include "checks/encoding.h"

namespace varnolo {
namespace {

constexpr int kCashIn = 3;
constexpr int kCashOut = 4;
constexpr int kCheckTotal = 6;

}  // namespace

ControlTapeEntry DecodeTapeEntry(std::span<const uint8_t> b, uint8_t sectionCount) {
  const bool longForm = b.size() == kLongEntry;
  const uint8_t last = b[b.size() - 1];
  ControlTapeEntry e{};
  e.kind = (b[0] >> 2) & 0x07;
  e.cashier = (b[0] >> 5) + 1;
  e.flag1 = (b[0] >> 1) & 1;
  e.flag0 = b[0] & 1;
  e.flagLast = last >> 7;
  e.hour = b[1] & 0x1F;
  e.minute = b[2] & 0x3F;
  e.group = b[2] >> 6;
  e.section = sectionCount <= 1 ? 1 : ((last >> 6) & 1) * 8 + (b[1] >> 5) + 1;
  const bool cash = e.kind == kCashIn || e.kind == kCashOut;
  if (!longForm && cash) {
    e.amount = 0.0;
  } else if (!longForm && e.kind == kCheckTotal) {
    e.amount = AmountFromBigEndian(b.subspan(1, 5));  // the total takes the section and group bits
    e.section = 0;
    e.group = 0;
  } else if (longForm && cash) {
    e.amount = AmountFromBigEndian(b.subspan(3, 5));
  } else {
    e.amount = AmountFromBigEndian(b.subspan(3, 3));
  }
  if (longForm) {
    e.extraWord1 = cash ? 0 : static_cast<uint16_t>(b[6] << 8 | b[7]);
    e.extraWord2 = static_cast<uint16_t>(b[8] << 8 | b[9]);
  }
  return e;
}

}  // namespace varnolo
