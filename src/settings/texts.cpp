// Header and footer texts, section and cashier names.
#include "link/register_link.h"
#include "session/export_guard.h"
#include "session/session.h"
#include "settings/text_codec.h"

namespace varnolo {
namespace {

struct TextPlace {
  uint16_t address;
  size_t width;
};

constexpr TextPlace kHeader{0x000A, 95};
constexpr TextPlace kFooter{0x00CA, 57};
constexpr size_t kNameWidth = 15;

TextPlace CashierName(uint32_t c) { return {static_cast<uint16_t>(0x0249 + 32 * c), kNameWidth}; }
TextPlace SectionName(uint32_t s) { return {static_cast<uint16_t>(0x0349 + 32 * s), kNameWidth}; }
bool ValidCashier(uint32_t c) { return c >= 1 && c <= 8; }
bool ValidSection(uint32_t s) { return s >= 1 && s <= 16; }

ResultCode SetBlock(const char* text, TextPlace place) {
  CallFrame frame;
  if (const ResultCode shift = ShiftOpenTest(); shift != kOk) return shift;
  return WriteTextBlock(WorkText(text, place.width).c_str(), place.address, place.width);
}

ResultCode SetName(const char* text, TextPlace place) {
  CallFrame frame;
  if (const ResultCode shift = ShiftOpenTest(); shift != kOk) return shift;
  return WriteTextField(WorkText(text, place.width).c_str(), place.address, place.width);
}

ResultCode Get(char* buffer, TextPlace place) {
  if (buffer == nullptr) return kOutOfRange;
  CallFrame frame;
  return ReadTextField(place.address, buffer, place.width);
}

}  // namespace
}  // namespace varnolo

using namespace varnolo;

extern "C" {

ResultCode VARNOLO_CALL CRSetHeader(const char* text) {
  return Guarded([&] { return SetBlock(text, kHeader); });
}

ResultCode VARNOLO_CALL CRGetHeader(char* buffer) {
  return Guarded([&] { return Get(buffer, kHeader); });
}

ResultCode VARNOLO_CALL CRSetFooter(const char* text) {
  return Guarded([&] { return SetBlock(text, kFooter); });
}

ResultCode VARNOLO_CALL CRGetFooter(char* buffer) {
  return Guarded([&] { return Get(buffer, kFooter); });
}

ResultCode VARNOLO_CALL CRSetSectionName(const char* name, uint32_t section) {
  if (name == nullptr || !ValidSection(section)) return kOutOfRange;
  return Guarded([&] { return SetName(name, SectionName(section)); });
}

ResultCode VARNOLO_CALL CRGetSectionName(char* buffer, uint32_t section) {
  if (!ValidSection(section)) return kOutOfRange;
  return Guarded([&] { return Get(buffer, SectionName(section)); });
}

ResultCode VARNOLO_CALL CRSetCashierName(const char* name, uint32_t cashier) {
  if (name == nullptr || !ValidCashier(cashier)) return kOutOfRange;
  return Guarded([&] { return SetName(name, CashierName(cashier)); });
}

ResultCode VARNOLO_CALL CRGetCashierName(char* buffer, uint32_t cashier) {
  if (!ValidCashier(cashier)) return kOutOfRange;
  return Guarded([&] { return Get(buffer, CashierName(cashier)); });
}

}  // extern "C"
