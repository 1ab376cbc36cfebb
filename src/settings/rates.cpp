// The discount, raise and three tax rates, and their names.
#include <cmath>

#include "link/register_link.h"
#include "session/capability_indices.h"
#include "session/export_guard.h"
#include "session/session.h"
#include "settings/decimal.h"
#include "settings/rate_codec.h"
#include "settings/text_codec.h"

namespace varnolo {
namespace {

constexpr size_t kNameWidth = 10;
constexpr uint16_t kDiscountNameAddress = 0x01FB;
constexpr uint16_t kRaiseNameAddress = 0x0211;

RatePlace DiscountOrRaise(bool isDiscount) {
  if (isDiscount) return {0x01AE, 0x01B1, 2, CapabilityAddress(cap::kDiscountDigits), 4};
  return {0x01B4, 0x01B8, 3, CapabilityAddress(cap::kRaiseDigits), 5};
}

RatePlace Tax(uint32_t n) {
  return {static_cast<uint16_t>(0x01B4 + 8 * n), 0, 3,
          static_cast<uint16_t>(CapabilityAddress(cap::kTaxDigits) + 5 * (n - 1)), 5};
}

bool ValidTax(uint32_t n) { return n >= 1 && n <= 3; }

// Rates are cut to hundredths first; NaN and infinities never reach the range test.
ResultCode SetRate(double rate, bool (*outOfRange)(double), const RatePlace& place) {
  TruncateDecimals(&rate, 2);
  if (!std::isfinite(rate) || rate < 0 || outOfRange(rate)) return kOutOfRange;
  CallFrame frame;
  if (const ResultCode shift = ShiftOpenTest(); shift != kOk) return shift;
  return WriteRate(place, Hundredths(rate));
}

ResultCode SetName(const char* text, uint16_t dataAddress, int workingIndex,
                   uint16_t workingOffset) {
  CallFrame frame;
  if (const ResultCode shift = ShiftOpenTest(); shift != kOk) return shift;
  const std::string work = WorkText(text, kNameWidth);
  const ResultCode r = WriteTextField(work.c_str(), dataAddress, kNameWidth);
  if (r != kOk) return r;
  return WriteWorkingName(work.c_str(),
                          static_cast<uint16_t>(CapabilityAddress(workingIndex) + workingOffset),
                          kNameWidth);
}

ResultCode GetName(char* buffer, uint16_t dataAddress) {
  if (buffer == nullptr) return kOutOfRange;
  CallFrame frame;
  return ReadTextField(dataAddress, buffer, kNameWidth);
}

}  // namespace
}  // namespace varnolo

using namespace varnolo;

extern "C" {

ResultCode VARNOLO_CALL CRSetDiscountOrRaiseVal(double rate, int32_t isDiscount) {
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    if (isDiscount != 0) {
      return SetRate(
          rate, [](double r) { return r >= 100; }, DiscountOrRaise(true));
    }
    return SetRate(
        rate, [](double r) { return r >= 1000; }, DiscountOrRaise(false));
  });
}

ResultCode VARNOLO_CALL CRGetDiscountOrRaiseVal(double* rate, int32_t isDiscount) {
  if (rate == nullptr) return kOutOfRange;
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    CallFrame frame;
    return ReadRate(DiscountOrRaise(isDiscount != 0), *rate);
  });
}

ResultCode VARNOLO_CALL CRSetTaxVal(double rate, uint32_t taxNumber) {
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    if (!ValidTax(taxNumber)) return kOutOfRange;
    return SetRate(
        rate, [](double r) { return r > 999.99; }, Tax(taxNumber));
  });
}

ResultCode VARNOLO_CALL CRGetTaxVal(double* rate, uint32_t taxNumber) {
  if (rate == nullptr) return kOutOfRange;
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    if (!ValidTax(taxNumber)) return kOutOfRange;
    CallFrame frame;
    return ReadRate(Tax(taxNumber), *rate);
  });
}

ResultCode VARNOLO_CALL CRSetDiscountOrRaiseName(const char* name, int32_t isDiscount) {
  return Guarded([&] {
    return isDiscount != 0 ? SetName(name, kDiscountNameAddress, cap::kDiscountName, 0)
                           : SetName(name, kRaiseNameAddress, cap::kRaiseName, 0);
  });
}

ResultCode VARNOLO_CALL CRGetDiscountOrRaiseName(char* buffer, int32_t isDiscount) {
  return Guarded(
      [&] { return GetName(buffer, isDiscount != 0 ? kDiscountNameAddress : kRaiseNameAddress); });
}

ResultCode VARNOLO_CALL CRSetTaxName(const char* name, uint32_t taxNumber) {
  return Guarded([&] {
    if (!ValidTax(taxNumber)) return kOutOfRange;
    return SetName(name, static_cast<uint16_t>(kRaiseNameAddress + 22 * taxNumber), cap::kTaxNames,
                   static_cast<uint16_t>(10 * (taxNumber - 1)));
  });
}

ResultCode VARNOLO_CALL CRGetTaxName(char* buffer, uint32_t taxNumber) {
  return Guarded([&] {
    if (!ValidTax(taxNumber)) return kOutOfRange;
    return GetName(buffer, static_cast<uint16_t>(kRaiseNameAddress + 22 * taxNumber));
  });
}

}  // extern "C"
