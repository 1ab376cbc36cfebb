// Putting the simulated register into a state without going through the
// protocol: an open shift of a given age, a filled control tape, drawer cash.
// Test scenarios and the control channel start from such states.
#include <algorithm>

#include "layout.h"
#include "register.h"
#include "session/capability_indices.h"

namespace varnolo::sim {
namespace {

constexpr uint64_t kFillerAmount = 100;  // each filler check is 1.00
constexpr uint8_t kTapeSaleLine = 0;
constexpr uint8_t kTapeCheckTotal = 6;

}  // namespace

int64_t Register::ShiftStart() const {
  return static_cast<int64_t>(GetBe(std::span(memory_.data).subspan(at::kShiftStart, 8)));
}

uint16_t Register::ShiftNumber() const {
  return static_cast<uint16_t>(GetBe(std::span(memory_.data).subspan(at::kShiftNumber, 2)));
}

uint16_t Register::TapeCapacity() const {
  const size_t length = LongTapeForm() ? 11 : 7;
  return static_cast<uint16_t>((at::kDataEnd - at::kTapeEntries) / length);
}

void Register::OpenShiftAt(int64_t seconds) {
  StampShiftStart(seconds);
  changed_ = true;
}

bool Register::SetTapeFill(uint16_t entries) {
  if (entries > TapeCapacity()) return false;
  const size_t length = LongTapeForm() ? 11 : 7;
  if (entries < TapeCount()) {
    std::fill(
        memory_.data.begin() + static_cast<std::ptrdiff_t>(at::kTapeEntries + entries * length),
        memory_.data.end(), 0);
    PutBe(std::span(memory_.working).subspan(Address(cap::kTapeFillCounter), 2), entries);
  }
  while (TapeCount() < entries) {
    const bool lineFits = TapeCount() + 1u < entries;
    if (lineFits) AppendTapeEntry(kTapeSaleLine, 1, kFillerAmount, 0, 1, false, false);
    AppendTapeEntry(kTapeCheckTotal, 1, kFillerAmount, 0, 1, false, false);
  }
  changed_ = true;
  return true;
}

void Register::SetDrawerCash(uint64_t hundredths) {
  AddDrawerCash(static_cast<int64_t>(hundredths) - static_cast<int64_t>(DrawerCash()));
  changed_ = true;
}

}  // namespace varnolo::sim
