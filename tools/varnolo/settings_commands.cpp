// config, clock, header, footer, section-name, cashier-name, cashier, tax,
// discount, raise, options: read a setting, or write the ones given.
#include <ctime>
#include <memory>
#include <optional>
#include <sstream>
#include <vector>

#include "ansi_text.h"
#include "commands.h"
#include "format.h"
#include "outcome.h"
#include "varnolo.h"

namespace varnolo::cli {
namespace {

using client::FromAnsi;
using client::ToAnsi;
using nlohmann::json;

const CLI::Range kOnOff(0, 1);

void AddConfig(CLI::App& app) {
  auto* c = app.add_subcommand("config", "Read or write the configuration");
  c->require_subcommand(1);
  c->add_subcommand("get", "Read the configuration")->callback([] {
    std::exit(WithSession([] {
      RegisterConfiguration r{};
      const int32_t code = CRGetConfiguration(&r);
      if (code != CR_OK) return Report(code);
      const json data = ConfigurationJson(r);
      std::ostringstream text;
      for (auto& [k, v] : data.items()) text << k << " = " << v << "\n";
      return Report(code, data, text.str());
    }));
  });
  auto* set = c->add_subcommand("set", "Write the given fields (not while a shift is open)");
  static std::optional<int> cashiers, option02, goods, extended, taxes, sections;
  set->add_option("--cashiers", cashiers, "register cashiers (0/1)")->check(kOnOff);
  set->add_option("--option02", option02, "option 02 (0/1)")->check(kOnOff);
  set->add_option("--goods-base", goods, "use the goods base (0/1)")->check(kOnOff);
  set->add_option("--extended", extended, "allow extended check lines (0/1)")->check(kOnOff);
  set->add_option("--taxes", taxes, "use taxes (0/1)")->check(kOnOff);
  set->add_option("--sections", sections, "number of sections (1-16)")->check(CLI::Range(1, 16));
  set->callback([] {
    RegisterConfiguration r{};
    uint32_t flags = 0;
    // Fields of the packed record are assigned, never bound to a reference.
    auto take = [&](const std::optional<int>& v, uint32_t flag) {
      if (v) flags |= flag;
      return v.value_or(0);
    };
    r.useCashiers = take(cashiers, CR_CFG_USE_CASHIERS);
    r.option02 = take(option02, CR_CFG_OPTION02);
    r.useGoodsBase = take(goods, CR_CFG_USE_GOODS_BASE);
    r.extendedChecks = take(extended, CR_CFG_EXTENDED_CHECKS);
    r.useTaxes = take(taxes, CR_CFG_USE_TAXES);
    if (sections) r.sectionCount = static_cast<uint8_t>(*sections), flags |= CR_CFG_SECTION_COUNT;
    if (flags == 0) std::exit(UsageError("config set: give at least one field to write"));
    std::exit(WithSession([&] {
      return Report(CRConfigureEx(&r, flags), json::object(), "configuration written\n");
    }));
  });
}

TimeDate TimeDateOf(const std::tm& tm) {
  return TimeDate{static_cast<uint8_t>(tm.tm_mday),
                  static_cast<uint8_t>(tm.tm_mon + 1),
                  static_cast<uint16_t>(tm.tm_year + 1900),
                  static_cast<uint8_t>(tm.tm_hour),
                  static_cast<uint8_t>(tm.tm_min),
                  static_cast<uint8_t>(tm.tm_sec),
                  0};
}

void AddClock(CLI::App& app) {
  auto* c = app.add_subcommand("clock", "Read or set the register's clock");
  c->require_subcommand(1);
  c->add_subcommand("get", "Read the clock")->callback([] {
    std::exit(WithSession([] {
      TimeDate t{};
      const int32_t code = CRGetTimeDate(&t);
      if (code != CR_OK) return Report(code);
      return Report(code, json{{"clock", ClockText(t)}}, ClockText(t) + "\n");
    }));
  });
  auto* set = c->add_subcommand("set", "Set the clock");
  static std::string when;
  set->add_option("time", when, "YYYY-MM-DD HH:MM:SS")->required();
  set->callback([] {
    TimeDate t{};
    if (!ParseClock(when, t))
      std::exit(
          UsageError("clock set: '" + when + "' is not an existing time like 2026-12-31 23:59:00"));
    std::exit(WithSession([&] { return Report(CRSetTimeDate(t), json::object(), "clock set\n"); }));
  });
  c->add_subcommand("sync", "Set the clock to this computer's local time")->callback([] {
    std::exit(WithSession([] {
      const std::time_t now = std::time(nullptr);
      std::tm tm{};
      localtime_r(&now, &tm);
      const TimeDate t = TimeDateOf(tm);
      return Report(CRSetTimeDate(t), json{{"clock", ClockText(t)}},
                    "clock set to " + ClockText(t) + "\n");
    }));
  });
}

// A text setting: "header" prints it, "header TEXT" sets it.
void AddText(CLI::App& app, const char* name, const char* help, size_t size, int32_t (*get)(char*),
             int32_t (*set)(const char*)) {
  auto* c = app.add_subcommand(name, help);
  auto value = std::make_shared<std::optional<std::string>>();
  c->add_option("text", *value, "the new text ('~' starts a new line)");
  c->callback([=] {
    std::exit(WithSession([=] {
      if (*value)
        return Report(set(ToAnsi(**value).c_str()), json::object(),
                      std::string(name) + " written\n");
      std::vector<char> buf(size + 1, 0);
      const int32_t code = get(buf.data());
      if (code != CR_OK) return Report(code);
      const std::string text = FromAnsi(buf.data());
      return Report(code, json{{"text", text}}, text + "\n");
    }));
  });
}

void AddNumberedText(CLI::App& app, const char* name, const char* help, int max,
                     int32_t (*get)(char*, uint32_t), int32_t (*set)(const char*, uint32_t)) {
  auto* c = app.add_subcommand(name, help);
  auto number = std::make_shared<uint32_t>(1);
  auto value = std::make_shared<std::optional<std::string>>();
  c->add_option("number", *number, "which one")->required()->check(CLI::Range(1, max));
  c->add_option("text", *value, "the new name");
  c->callback([=] {
    std::exit(WithSession([=] {
      if (*value)
        return Report(set(ToAnsi(**value).c_str(), *number), json::object(),
                      std::string(name) + " " + std::to_string(*number) + " written\n");
      char buf[32] = {};
      const int32_t code = get(buf, *number);
      if (code != CR_OK) return Report(code);
      const std::string text = FromAnsi(buf);
      return Report(code, json{{"number", *number}, {"name", text}}, text + "\n");
    }));
  });
}

void AddCashier(CLI::App& app) {
  auto* c = app.add_subcommand("cashier", "Show or set the current cashier");
  static std::optional<uint32_t> number;
  c->add_option("number", number, "the cashier to make current (1-8)")->check(CLI::Range(1, 8));
  c->callback([] {
    std::exit(WithSession([] {
      if (number)
        return Report(CRSetCurrentCashier(*number), json::object(),
                      "cashier " + std::to_string(*number) + " is current\n");
      int32_t current = 0;
      const int32_t code = CRGetCurrentCashier(&current);
      if (code != CR_OK) return Report(code);
      return Report(code, json{{"cashier", current}}, std::to_string(current) + "\n");
    }));
  });
}

// Rates and names: "tax 1", "tax 1 20", "tax 1 --name VAT".
void AddRate(CLI::App& app, const char* name, const char* help, bool numbered, int32_t which) {
  auto* c = app.add_subcommand(name, help);
  auto number = std::make_shared<uint32_t>(1);
  auto rate = std::make_shared<std::optional<double>>();
  auto label = std::make_shared<std::optional<std::string>>();
  if (numbered) c->add_option("number", *number, "tax 1-3")->required()->check(CLI::Range(1, 3));
  c->add_option("rate", *rate, "the new rate in percent");
  c->add_option("--name", *label, "the new name (10 characters)");
  c->callback([=] {
    std::exit(WithSession([=] {
      int32_t code = CR_OK;
      if (*rate)
        code = numbered ? CRSetTaxVal(**rate, *number) : CRSetDiscountOrRaiseVal(**rate, which);
      if (code == CR_OK && *label) {
        const std::string ansi = ToAnsi(**label);
        code = numbered ? CRSetTaxName(ansi.c_str(), *number)
                        : CRSetDiscountOrRaiseName(ansi.c_str(), which);
      }
      if (code != CR_OK || *rate || *label)
        return Report(Outcome{code, json::object(), std::string(name) + " written\n",
                              *rate && *label && code != CR_OK ? "the rate or the name" : ""});
      double value = 0;
      char buf[16] = {};
      code = numbered ? CRGetTaxVal(&value, *number) : CRGetDiscountOrRaiseVal(&value, which);
      if (code == CR_OK)
        code = numbered ? CRGetTaxName(buf, *number) : CRGetDiscountOrRaiseName(buf, which);
      if (code != CR_OK) return Report(code);
      const std::string text = FromAnsi(buf);
      return Report(code, json{{"rate", Cents(value)}, {"name", text}},
                    Money(value) + "% " + text + "\n");
    }));
  });
}

void AddOptions(CLI::App& app) {
  auto* c = app.add_subcommand("options", "Show or set the device options");
  static std::optional<uint32_t> digits, suspend;
  static std::optional<int32_t> input, sound;
  static std::optional<std::vector<int32_t>> printMode;
  c->add_option("--digits", digits, "digit count (3-7)")->check(CLI::Range(3, 7));
  c->add_option("--print-mode", printMode, "two print-mode values (0 leaves one alone)")
      ->expected(2);
  c->add_option("--input-mode", input, "input mode (0/1)")->check(kOnOff);
  c->add_option("--sound", sound, "sound (0/1)")->check(kOnOff);
  c->add_option("--suspend", suspend, "suspend time (0-9)")->check(CLI::Range(0, 9));
  c->callback([] {
    std::exit(WithSession([] {
      struct Step {
        const char* option;
        bool given;
        std::function<int32_t()> write;
      };
      const Step steps[] = {
          {"--digits", digits.has_value(), [] { return CRSetDigits(*digits); }},
          {"--print-mode", printMode.has_value(),
           [] { return CRSetPrintMode(static_cast<uint32_t>((*printMode)[0]), (*printMode)[1]); }},
          {"--input-mode", input.has_value(), [] { return CRSetInputMode(*input); }},
          {"--sound", sound.has_value(), [] { return CRSetSound(*sound); }},
          {"--suspend", suspend.has_value(), [] { return CRSetSuspendTime(*suspend); }},
      };
      bool changed = false;
      for (const Step& s : steps) {
        if (!s.given) continue;
        changed = true;
        const int32_t code = s.write();
        if (code != CR_OK)
          return Report(Outcome{code, json{{"failedAt", s.option}}, "",
                                std::string(s.option) + " was not written"});
      }
      if (changed) return Report(CR_OK, json::object(), "options written\n");
      int32_t d = 0, p1 = 0, p2 = 0, in = 0, s = 0, susp = 0;
      int32_t code = CRGetDigits(&d);
      if (code == CR_OK) code = CRGetPrintMode(&p1, &p2);
      if (code == CR_OK) code = CRGetInputMode(&in);
      if (code == CR_OK) code = CRGetSound(&s);
      if (code == CR_OK) code = CRGetSuspendTime(&susp);
      if (code != CR_OK) return Report(code);
      json data{{"digits", d},
                {"printMode", {p1, p2}},
                {"inputMode", in},
                {"sound", s},
                {"suspendTime", susp}};
      std::ostringstream text;
      text << "digits " << d << "\nprint mode " << p1 << " " << p2 << "\ninput mode " << in
           << "\nsound " << s << "\nsuspend time " << susp << "\n";
      return Report(code, data, text.str());
    }));
  });
}

}  // namespace

void AddSettingsCommands(CLI::App& app) {
  AddConfig(app);
  AddClock(app);
  AddText(app, "header", "Show or set the check header", 96, CRGetHeader, CRSetHeader);
  AddText(app, "footer", "Show or set the check footer", 58, CRGetFooter, CRSetFooter);
  AddNumberedText(app, "section-name", "Show or set a section name", 16, CRGetSectionName,
                  CRSetSectionName);
  AddNumberedText(app, "cashier-name", "Show or set a cashier name", 8, CRGetCashierName,
                  CRSetCashierName);
  AddCashier(app);
  AddRate(app, "tax", "Show or set a tax rate and name", true, 0);
  AddRate(app, "discount", "Show or set the discount rate and name", false, 1);
  AddRate(app, "raise", "Show or set the raise rate and name", false, 0);
  AddOptions(app);
}

}  // namespace varnolo::cli
