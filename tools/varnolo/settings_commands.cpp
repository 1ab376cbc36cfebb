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
#include "rulebook.h"
#include "varnolo.h"

namespace varnolo::cli {
namespace {

using client::FromAnsi;
using client::ToAnsi;
using nlohmann::json;

const CLI::Range kOnOff(0, 1);

struct ConfigSetOptions {
  std::optional<int> cashiers, option02, goods, extended, taxes, sections;
};

void AddConfig(CLI::App& app, CommandRun& run) {
  auto* c = app.add_subcommand("config", "Read or write the configuration");
  c->require_subcommand(1);
  c->add_subcommand("get", "Read the configuration")->callback([&run] {
    run = [] {
      return WithSession([] {
        RegisterConfiguration r{};
        const int32_t code = CRGetConfiguration(&r);
        if (code != CR_OK) return Report(code);
        const json data = ConfigurationJson(r);
        std::ostringstream text;
        for (auto& [k, v] : data.items()) text << k << " = " << v << "\n";
        return Report(code, data, text.str());
      });
    };
  });
  auto* set = c->add_subcommand("set", "Write the given fields (not while a shift is open)");
  auto o = std::make_shared<ConfigSetOptions>();
  set->add_option("--cashiers", o->cashiers, "register cashiers (0/1)")->check(kOnOff);
  set->add_option("--option02", o->option02, "option 02 (0/1)")->check(kOnOff);
  set->add_option("--goods-base", o->goods, "use the goods base (0/1)")->check(kOnOff);
  set->add_option("--extended", o->extended, "allow extended check lines (0/1)")->check(kOnOff);
  set->add_option("--taxes", o->taxes, "use taxes (0/1)")->check(kOnOff);
  set->add_option("--sections", o->sections, "number of sections (1-16)")->check(CLI::Range(1, 16));
  set->callback([o, &run] {
    run = [o] {
      RegisterConfiguration r{};
      uint32_t flags = 0;
      // Fields of the packed record are assigned, never bound to a reference.
      auto take = [&](const std::optional<int>& v, uint32_t flag) {
        if (v) flags |= flag;
        return v.value_or(0);
      };
      r.useCashiers = take(o->cashiers, CR_CFG_USE_CASHIERS);
      r.option02 = take(o->option02, CR_CFG_OPTION02);
      r.useGoodsBase = take(o->goods, CR_CFG_USE_GOODS_BASE);
      r.extendedChecks = take(o->extended, CR_CFG_EXTENDED_CHECKS);
      r.useTaxes = take(o->taxes, CR_CFG_USE_TAXES);
      if (o->sections)
        r.sectionCount = static_cast<uint8_t>(*o->sections), flags |= CR_CFG_SECTION_COUNT;
      if (flags == 0) return UsageError("config set: give at least one field to write");
      return WithSession([&] {
        return Report(CRConfigureEx(&r, flags), json::object(), "configuration written\n");
      });
    };
  });
}

struct ClockSetOptions {
  std::string when;
};

void AddClock(CLI::App& app, CommandRun& run) {
  auto* c = app.add_subcommand("clock", "Read or set the register's clock");
  c->require_subcommand(1);
  c->add_subcommand("get", "Read the clock")->callback([&run] {
    run = [] {
      return WithSession([] {
        TimeDate t{};
        const int32_t code = CRGetTimeDate(&t);
        if (code != CR_OK) return Report(code);
        return Report(code, json{{"clock", ClockText(t)}}, ClockText(t) + "\n");
      });
    };
  });
  auto* set = c->add_subcommand("set", "Set the clock");
  auto o = std::make_shared<ClockSetOptions>();
  set->add_option("time", o->when, "YYYY-MM-DD HH:MM:SS")->required();
  set->callback([o, &run] {
    run = [o] {
      TimeDate t{};
      if (!ParseClock(o->when, t))
        return UsageError("clock set: '" + o->when +
                          "' is not an existing time like 2026-12-31 23:59:00");
      return WithSession([&] { return Report(CRSetTimeDate(t), json::object(), "clock set\n"); });
    };
  });
  c->add_subcommand("sync", "Set the clock to this computer's local time")->callback([&run] {
    run = [] {
      return WithSession([] {
        const TimeDate t = LocalTimeNow();
        return Report(CRSetTimeDate(t), json{{"clock", ClockText(t)}},
                      "clock set to " + ClockText(t) + "\n");
      });
    };
  });
}

// A usage error for a text the register cannot print; nothing when it can.
std::optional<int> RefusedText(const char* name, const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  if (std::optional<std::string> fault = rules::CheckPrintable(name, *text))
    return UsageError(*fault);
  return std::nullopt;
}

// A text setting: "header" prints it, "header TEXT" sets it.
struct TextOptions {
  std::optional<std::string> text;
};

void AddText(CLI::App& app, CommandRun& run, const char* name, const char* help, size_t size,
             int32_t (*get)(char*), int32_t (*set)(const char*)) {
  auto* c = app.add_subcommand(name, help);
  auto o = std::make_shared<TextOptions>();
  c->add_option("text", o->text, "the new text ('~' starts a new line)");
  c->callback([=, &run] {
    run = [=] {
      if (std::optional<int> refused = RefusedText(name, o->text)) return *refused;
      return WithSession([=] {
        if (o->text)
          return Report(set(ToAnsi(*o->text).c_str()), json::object(),
                        std::string(name) + " written\n");
        std::vector<char> buf(size + 1, 0);
        const int32_t code = get(buf.data());
        if (code != CR_OK) return Report(code);
        const std::string text = FromAnsi(buf.data());
        return Report(code, json{{"text", text}}, text + "\n");
      });
    };
  });
}

struct NumberedTextOptions {
  uint32_t number = 1;
  std::optional<std::string> text;
};

void AddNumberedText(CLI::App& app, CommandRun& run, const char* name, const char* help, int max,
                     int32_t (*get)(char*, uint32_t), int32_t (*set)(const char*, uint32_t)) {
  auto* c = app.add_subcommand(name, help);
  auto o = std::make_shared<NumberedTextOptions>();
  c->add_option("number", o->number, "which one")->required()->check(CLI::Range(1, max));
  c->add_option("text", o->text, "the new name");
  c->callback([=, &run] {
    run = [=] {
      if (std::optional<int> refused = RefusedText(name, o->text)) return *refused;
      return WithSession([=] {
        if (o->text)
          return Report(set(ToAnsi(*o->text).c_str(), o->number), json::object(),
                        std::string(name) + " " + std::to_string(o->number) + " written\n");
        char buf[32] = {};
        const int32_t code = get(buf, o->number);
        if (code != CR_OK) return Report(code);
        const std::string text = FromAnsi(buf);
        return Report(code, json{{"number", o->number}, {"name", text}}, text + "\n");
      });
    };
  });
}

struct CashierOptions {
  std::optional<uint32_t> number;
};

void AddCashier(CLI::App& app, CommandRun& run) {
  auto* c = app.add_subcommand("cashier", "Show or set the current cashier");
  auto o = std::make_shared<CashierOptions>();
  c->add_option("number", o->number, "the cashier to make current (1-8)")->check(CLI::Range(1, 8));
  c->callback([o, &run] {
    run = [o] {
      return WithSession([o] {
        if (o->number)
          return Report(CRSetCurrentCashier(*o->number), json::object(),
                        "cashier " + std::to_string(*o->number) + " is current\n");
        int32_t current = 0;
        const int32_t code = CRGetCurrentCashier(&current);
        if (code != CR_OK) return Report(code);
        return Report(code, json{{"cashier", current}}, std::to_string(current) + "\n");
      });
    };
  });
}

// Rates and names: "tax 1", "tax 1 20", "tax 1 --name VAT".
struct RateOptions {
  uint32_t number = 1;
  std::optional<double> rate;
  std::optional<std::string> label;
};

void AddRate(CLI::App& app, CommandRun& run, const char* name, const char* help, bool numbered,
             int32_t which) {
  auto* c = app.add_subcommand(name, help);
  auto o = std::make_shared<RateOptions>();
  if (numbered) c->add_option("number", o->number, "tax 1-3")->required()->check(CLI::Range(1, 3));
  c->add_option("rate", o->rate, "the new rate in percent");
  c->add_option("--name", o->label, "the new name (10 characters)");
  c->callback([=, &run] {
    run = [=] {
      if (o->label) {
        if (std::optional<std::string> fault = rules::CheckPrintable("name", *o->label))
          return UsageError(std::string(name) + ": " + *fault);
      }
      return WithSession([=] {
        int32_t code = CR_OK;
        if (o->rate)
          code = numbered ? CRSetTaxVal(*o->rate, o->number)
                          : CRSetDiscountOrRaiseVal(*o->rate, which);
        if (code == CR_OK && o->label) {
          const std::string ansi = ToAnsi(*o->label);
          code = numbered ? CRSetTaxName(ansi.c_str(), o->number)
                          : CRSetDiscountOrRaiseName(ansi.c_str(), which);
        }
        if (code != CR_OK || o->rate || o->label)
          return Report(
              Outcome{code, json::object(), std::string(name) + " written\n",
                      o->rate && o->label && code != CR_OK ? "the rate or the name" : ""});
        double value = 0;
        char buf[16] = {};
        code = numbered ? CRGetTaxVal(&value, o->number) : CRGetDiscountOrRaiseVal(&value, which);
        if (code == CR_OK)
          code = numbered ? CRGetTaxName(buf, o->number) : CRGetDiscountOrRaiseName(buf, which);
        if (code != CR_OK) return Report(code);
        const std::string text = FromAnsi(buf);
        return Report(code, json{{"rate", Cents(value)}, {"name", text}},
                      Money(value) + "% " + text + "\n");
      });
    };
  });
}

struct DeviceOptions {
  std::optional<uint32_t> digits, suspend;
  std::optional<int32_t> input, sound;
  std::optional<std::vector<int32_t>> printMode;
};

int WriteOrShowOptions(const DeviceOptions& o) {
  struct Step {
    const char* option;
    bool given;
    std::function<int32_t()> write;
  };
  const Step steps[] = {
      {"--digits", o.digits.has_value(), [&] { return CRSetDigits(*o.digits); }},
      {"--print-mode", o.printMode.has_value(),
       [&] { return CRSetPrintMode(static_cast<uint32_t>((*o.printMode)[0]), (*o.printMode)[1]); }},
      {"--input-mode", o.input.has_value(), [&] { return CRSetInputMode(*o.input); }},
      {"--sound", o.sound.has_value(), [&] { return CRSetSound(*o.sound); }},
      {"--suspend", o.suspend.has_value(), [&] { return CRSetSuspendTime(*o.suspend); }},
  };
  bool changed = false;
  for (const Step& step : steps) {
    if (!step.given) continue;
    changed = true;
    const int32_t code = step.write();
    if (code != CR_OK)
      return Report(Outcome{code, json{{"failedAt", step.option}}, "",
                            std::string(step.option) + " was not written"});
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
}

void AddOptions(CLI::App& app, CommandRun& run) {
  auto* c = app.add_subcommand("options", "Show or set the device options");
  auto o = std::make_shared<DeviceOptions>();
  c->add_option("--digits", o->digits, "digit count (3-7)")->check(CLI::Range(3, 7));
  c->add_option("--print-mode", o->printMode, "two print-mode values (0 leaves one alone)")
      ->expected(2);
  c->add_option("--input-mode", o->input, "input mode (0/1)")->check(kOnOff);
  c->add_option("--sound", o->sound, "sound (0/1)")->check(kOnOff);
  c->add_option("--suspend", o->suspend, "suspend time (0-9)")->check(CLI::Range(0, 9));
  c->callback(
      [o, &run] { run = [o] { return WithSession([o] { return WriteOrShowOptions(*o); }); }; });
}

}  // namespace

void AddSettingsCommands(CLI::App& app, CommandRun& run) {
  AddConfig(app, run);
  AddClock(app, run);
  AddText(app, run, "header", "Show or set the check header", 96, CRGetHeader, CRSetHeader);
  AddText(app, run, "footer", "Show or set the check footer", 58, CRGetFooter, CRSetFooter);
  AddNumberedText(app, run, "section-name", "Show or set a section name", 16, CRGetSectionName,
                  CRSetSectionName);
  AddNumberedText(app, run, "cashier-name", "Show or set a cashier name", 8, CRGetCashierName,
                  CRSetCashierName);
  AddCashier(app, run);
  AddRate(app, run, "tax", "Show or set a tax rate and name", true, 0);
  AddRate(app, run, "discount", "Show or set the discount rate and name", false, 1);
  AddRate(app, run, "raise", "Show or set the raise rate and name", false, 0);
  AddOptions(app, run);
}

}  // namespace varnolo::cli
