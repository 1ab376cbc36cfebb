#include "scenario.h"

#include <cmath>
#include <ctime>
#include <fstream>

#include "layout.h"
#include "programming.h"

namespace varnolo::sim {
namespace {

using nlohmann::json;

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

bool Hundredths(const json& j, uint32_t& out) {
  if (!j.is_number() || j.get<double>() < 0 || j.get<double>() > 1e9) return false;
  out = static_cast<uint32_t>(std::llround(j.get<double>() * 100));
  return true;
}

bool ApplyConfiguration(Register& reg, const json& c, std::string* error) {
  static const std::pair<const char*, ConfigurationField> kFields[] = {
      {"sections", ConfigurationField::kSections},
      {"useCashiers", ConfigurationField::kUseCashiers},
      {"useGoodsBase", ConfigurationField::kUseGoodsBase},
      {"useTaxes", ConfigurationField::kUseTaxes},
      {"extendedChecks", ConfigurationField::kExtendedChecks}};
  if (!c.is_object()) return Fail(error, "configuration must be an object");
  for (const auto& [key, value] : c.items()) {
    const std::string& name = key;  // a structured binding cannot be captured before C++20
    const auto* f = std::find_if(std::begin(kFields), std::end(kFields),
                                 [&](const auto& p) { return name == p.first; });
    if (f == std::end(kFields)) return Fail(error, "unknown configuration field '" + key + "'");
    const int v = value.is_boolean()          ? (value.get<bool>() ? 1 : 0)
                  : value.is_number_integer() ? value.get<int>()
                                              : -1;
    if (!SetConfiguration(reg, f->second, v)) return Fail(error, "bad value for " + key);
  }
  return true;
}

bool ApplyRate(Register& reg, const json& r, const char* what, std::string* error) {
  if (!r.is_object()) return Fail(error, std::string(what) + " must be an object");
  const bool discount = std::string(what) == "discount";
  for (const auto& [key, value] : r.items()) {
    uint32_t h = 0;
    if (key == "rate") {
      if (!Hundredths(value, h) || !(discount ? SetDiscountRate(reg, h) : SetRaiseRate(reg, h)))
        return Fail(error, std::string("bad ") + what + " rate");
    } else if (key == "name" && value.is_string()) {
      discount ? SetDiscountName(reg, value.get<std::string>())
               : SetRaiseName(reg, value.get<std::string>());
    } else {
      return Fail(error, std::string("unknown ") + what + " field '" + key + "'");
    }
  }
  return true;
}

bool ApplyTaxes(Register& reg, const json& taxes, std::string* error) {
  if (!taxes.is_array()) return Fail(error, "taxes must be a list");
  for (const json& t : taxes) {
    const int n = t.value("number", 0);
    if (n < 1 || n > 3) return Fail(error, "a tax needs a number from 1 to 3");
    for (const auto& [key, value] : t.items()) {
      uint32_t h = 0;
      if (key == "number") continue;
      if (key == "rate") {
        if (!Hundredths(value, h) || !SetTaxRate(reg, n, h)) return Fail(error, "bad tax rate");
      } else if (key == "name" && value.is_string()) {
        SetTaxName(reg, n, value.get<std::string>());
      } else {
        return Fail(error, "unknown tax field '" + key + "'");
      }
    }
  }
  return true;
}

using NameSetter = bool (*)(Register&, int, const std::string&);

bool ApplyNames(Register& reg, const json& names, const char* what, NameSetter set,
                std::string* error) {
  if (!names.is_object()) return Fail(error, std::string(what) + " must map numbers to names");
  for (const auto& [key, value] : names.items()) {
    int n = 0;
    try {
      n = std::stoi(key);
    } catch (const std::exception&) {
      n = 0;
    }
    if (!value.is_string() || !set(reg, n, value.get<std::string>()))
      return Fail(error, std::string("bad ") + what + " entry '" + key + "'");
  }
  return true;
}

bool ApplyGoods(Register& reg, const json& goods, std::string* error) {
  if (!goods.is_array()) return Fail(error, "goods must be a list");
  for (const json& g : goods) {
    GoodsValues v;
    int number = 0;
    for (const auto& [key, value] : g.items()) {
      if (key == "number" && value.is_number_integer()) {
        number = value.get<int>();
      } else if (key == "name" && value.is_string()) {
        v.name = value.get<std::string>();
      } else if (key == "barcode" && value.is_string()) {
        v.barcode = value.get<std::string>();
      } else if (key == "price" && Hundredths(value, v.price)) {
      } else if (key == "section" && value.is_number_integer()) {
        v.section = value.get<int>();
      } else if (key == "byWeight" && value.is_boolean()) {
        v.byWeight = value.get<bool>();
      } else {
        return Fail(error, "bad goods field '" + key + "'");
      }
    }
    if (!SetGoodsEntry(reg, number, v))
      return Fail(error, "goods entry " + std::to_string(number) + " does not fit the goods base");
  }
  return true;
}

bool ApplyShift(Register& reg, const json& s, std::string* error) {
  if (!s.is_object()) return Fail(error, "shift must be an object");
  int64_t start = 0;
  if (s.contains("openedAt") && s["openedAt"].is_string()) {
    if (!ParseRegisterTime(s["openedAt"].get<std::string>(), start))
      return Fail(error, "bad shift openedAt (want YYYY-MM-DDTHH:MM:SS)");
  } else if (s.contains("openedHoursAgo") && s["openedHoursAgo"].is_number()) {
    start = reg.Now() - std::llround(s["openedHoursAgo"].get<double>() * 3600);
  } else {
    return Fail(error, "shift needs openedAt or openedHoursAgo");
  }
  if (s.size() != 1) return Fail(error, "shift takes one of openedAt, openedHoursAgo");
  reg.OpenShiftAt(start);
  return true;
}

bool ApplyClock(Register& reg, const json& c, std::string* error) {
  int64_t wanted = 0;
  if (!c.is_string() || !ParseRegisterTime(c.get<std::string>(), wanted))
    return Fail(error, "bad clock (want YYYY-MM-DDTHH:MM:SS)");
  const int64_t offset =
      wanted - (reg.Now() - static_cast<int64_t>(
                                GetBe(std::span(reg.memory().data).subspan(at::kClockOffset, 8))));
  PutBe(std::span(reg.memory().data).subspan(at::kClockOffset, 8), static_cast<uint64_t>(offset));
  return true;
}

}  // namespace

bool ParseRegisterTime(const std::string& text, int64_t& seconds) {
  std::tm tm{};
  char separator = 0;
  char extra = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &separator, &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &extra) != 7 ||
      (separator != 'T' && separator != ' ') || tm.tm_year < 1970 || tm.tm_year > 2099 ||
      tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 ||
      tm.tm_min > 59 || tm.tm_sec > 59) {
    return false;
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  seconds = static_cast<int64_t>(timegm(&tm));
  return true;
}

std::string FormatRegisterTime(int64_t seconds) {
  const time_t t = static_cast<time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
  return buf;
}

bool FaultFromJson(const json& j, Fault& fault, std::string* error) {
  const json text = j.is_object() ? j.value("fault", json()) : j;
  if (!text.is_string()) return Fail(error, "a fault is a text like \"drop@0x0701\"");
  const std::optional<Fault> f = ParseFault(text.get<std::string>());
  if (!f) return Fail(error, "bad fault '" + text.get<std::string>() + "'");
  fault = *f;
  if (j.is_object()) {
    for (const auto& [key, value] : j.items()) {
      if (key == "fault") continue;
      if (key != "atRequest" || !value.is_number_integer() || value.get<int64_t>() < 0)
        return Fail(error, "a fault takes \"fault\" and \"atRequest\"");
      fault.atRequest = value.get<uint64_t>();
    }
  }
  return true;
}

bool ApplyScenario(Register& reg, const json& s, std::string* error) {
  if (!s.is_object()) return Fail(error, "a scenario is a JSON object");
  // Configuration first: it decides the tape's entry form.
  static const char* const kOrder[] = {"description", "configuration", "clock",       "taxes",
                                       "discount",    "raise",         "header",      "footer",
                                       "sections",    "cashiers",      "cashier",     "goods",
                                       "shift",       "drawerCash",    "tapeEntries", "faults"};
  for (const auto& item : s.items()) {
    const std::string& key = item.key();
    if (std::find_if(std::begin(kOrder), std::end(kOrder),
                     [&](const char* k) { return key == k; }) == std::end(kOrder))
      return Fail(error, "unknown scenario field '" + key + "'");
  }
  for (const char* key : kOrder) {
    if (!s.contains(key)) continue;
    const json& v = s[key];
    const std::string k = key;
    bool ok = true;
    if (k == "configuration") {
      ok = ApplyConfiguration(reg, v, error);
    } else if (k == "clock") {
      ok = ApplyClock(reg, v, error);
    } else if (k == "taxes") {
      ok = ApplyTaxes(reg, v, error);
    } else if (k == "discount" || k == "raise") {
      ok = ApplyRate(reg, v, key, error);
    } else if (k == "header" || k == "footer") {
      if (!v.is_string()) return Fail(error, k + " must be a text");
      k == "header" ? SetHeader(reg, v.get<std::string>()) : SetFooter(reg, v.get<std::string>());
    } else if (k == "sections") {
      ok = ApplyNames(reg, v, "sections", SetSectionName, error);
    } else if (k == "cashiers") {
      ok = ApplyNames(reg, v, "cashiers", SetCashierName, error);
    } else if (k == "cashier") {
      ok = v.is_number_integer() && SetCurrentCashier(reg, v.get<int>());
      if (!ok) Fail(error, "cashier takes 1 to 8");
    } else if (k == "goods") {
      ok = ApplyGoods(reg, v, error);
    } else if (k == "shift") {
      ok = ApplyShift(reg, v, error);
    } else if (k == "drawerCash") {
      uint32_t h = 0;
      ok = Hundredths(v, h);
      if (ok)
        reg.SetDrawerCash(h);
      else
        Fail(error, "bad drawerCash");
    } else if (k == "tapeEntries") {
      ok = v.is_number_integer() && v.get<int64_t>() >= 0 &&
           v.get<int64_t>() <= reg.TapeCapacity() &&
           reg.SetTapeFill(static_cast<uint16_t>(v.get<uint64_t>()));
      if (!ok) Fail(error, "tapeEntries takes 0 to " + std::to_string(reg.TapeCapacity()));
    } else if (k == "faults") {
      if (!v.is_array()) return Fail(error, "faults must be a list");
      for (const json& f : v) {
        Fault fault;
        if (!FaultFromJson(f, fault, error)) return false;
        reg.faults().Add(fault);
      }
    }
    if (!ok) return false;
  }
  reg.MarkChanged();
  return true;
}

bool ApplyScenarioFile(Register& reg, const std::string& path, std::string* error) {
  std::ifstream in(path);
  if (!in) return Fail(error, "cannot read " + path);
  const json s = json::parse(in, nullptr, false, true);
  if (s.is_discarded()) return Fail(error, path + " is not valid JSON");
  if (!ApplyScenario(reg, s, error)) {
    if (error) *error = path + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace varnolo::sim
