// varnolo: the fiscal register from the command line, for service technicians
// and scripts. Every command opens a session, does its work and closes it.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "lines.h"
#include "messages.h"
#include "session.h"
#include "text.h"
#include "varnolo.h"

namespace varnolo::cli {
namespace {

using nlohmann::json;

enum Exit { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitNoSession = 3 };

struct Options {
  Target target;
  bool json = false;
};

Options options;

std::string EnvOr(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? v : fallback;
}

// Prints the outcome: a JSON object, or a line for people. Failures go to
// standard error with the result code.
int Report(int32_t code, json data = json::object(), const std::string& text = "") {
  const bool ok = code == CR_OK;
  if (options.json) {
    data["result"] = code;
    data["message"] = DescribeResult(code);
    std::cout << data.dump(2) << std::endl;
  } else {
    if (!text.empty()) std::cout << text;
    if (!ok) std::cerr << "varnolo: error " << code << ": " << DescribeResult(code) << std::endl;
  }
  return ok ? kExitOk : kExitFailed;
}

// Runs a command inside a session.
int WithSession(const std::function<int()>& body) {
  RegisterSession session(options.target);
  if (!session.open()) {
    std::string where = options.target.port;
    if (options.json) {
      std::cout << json{{"result", -1}, {"message", "no register answered on " + where}}.dump(2)
                << std::endl;
    } else {
      std::cerr << "varnolo: no register " << options.target.registerNumber << " answered on "
                << where << std::endl;
    }
    return kExitNoSession;
  }
  return body();
}

double Cents(double v) { return std::round(v * 100) / 100; }

std::string Money(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

// ---- Progress on a terminal ---------------------------------------------------

class Progress {
 public:
  Progress(const char* what, size_t total) : what_(what), total_(total), shown_(isatty(2) != 0) {
    start_ = std::chrono::steady_clock::now();
  }
  ~Progress() {
    if (shown_ && drawn_) std::cerr << "\r\033[K" << std::flush;
  }
  void Step(size_t done) {
    if (!shown_ || total_ == 0) return;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double left =
        done > 0 ? elapsed / static_cast<double>(done) * static_cast<double>(total_ - done) : 0;
    std::cerr << "\r" << what_ << " " << done << "/" << total_ << ", about "
              << static_cast<long>(left + 0.5) << " s left \033[K" << std::flush;
    drawn_ = true;
  }

 private:
  const char* what_;
  size_t total_;
  bool shown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
};

// ---- Documents: was it registered? -----------------------------------------------

// A lost reply to a document leaves the cashier not knowing whether the check
// was registered. The tape's entry count before and after tells.
int Document(const char* what, const std::function<int32_t()>& run) {
  return WithSession([&] {
    uint16_t before = 0;
    const bool counted = CRGetNumOfShoppings(&before) == CR_OK;
    const int32_t code = run();
    json data{{"document", what}};
    std::string text;
    if (code == CR_OK) {
      data["registered"] = true;
      text = std::string(what) + ": printed\n";
    } else if (code == CR_ERR_NO_REPLY) {
      uint16_t after = 0;
      if (counted && CRGetNumOfShoppings(&after) == CR_OK) {
        const bool registered = after != before;
        data["registered"] = registered;
        text = registered ? std::string(what) +
                                ": the register DID register it although its answer was lost; "
                                "do not repeat it\n"
                          : std::string(what) +
                                ": the register did NOT register it; it is safe to repeat\n";
      } else {
        data["registered"] = nullptr;
        text = std::string(what) +
               ": whether the register registered it is UNKNOWN; check the tape before "
               "repeating it\n";
      }
    } else {
      data["registered"] = false;
    }
    return Report(code, data, text);
  });
}

// ---- Control tape -------------------------------------------------------------------

struct TapeWalk {
  std::vector<ControlTapeEntry> entries;
  Progress* progress = nullptr;
};
TapeWalk* walk = nullptr;

int32_t VARNOLO_CALL CollectEntry(const ControlTapeEntry* e, int32_t) {
  walk->entries.push_back(*e);
  if (walk->progress != nullptr) walk->progress->Step(walk->entries.size());
  return 1;
}

json EntryJson(const ControlTapeEntry& e, size_t number) {
  return json{{"number", number},
              {"kind", e.kind},
              {"amount", Cents(e.amount)},
              {"cashier", e.cashier},
              {"section", e.section},
              {"group", e.group},
              {"hour", e.hour},
              {"minute", e.minute},
              {"flag0", e.flag0},
              {"flag1", e.flag1},
              {"flagLast", e.flagLast},
              {"extraWord1", e.extraWord1},
              {"extraWord2", e.extraWord2}};
}

// ---- Goods base -----------------------------------------------------------------------

json GoodsJson(const GoodsEntry& g, uint32_t number) {
  std::string name = FromAnsi(g.name);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return json{{"number", number},        {"name", name},
              {"price", Cents(g.price)}, {"section", g.section},
              {"byPieces", g.byPieces},  {"barcode", std::string(g.barcode)}};
}

bool FillGoods(GoodsEntry& g, const std::string& name, double price, uint32_t section,
               int32_t byPieces, const std::string& barcode) {
  std::memset(&g, 0, sizeof g);
  const std::string ansi = ToAnsi(name);
  std::memcpy(g.name, ansi.data(), std::min<size_t>(ansi.size(), 15));
  if (barcode.size() > 13) return false;
  std::memcpy(g.barcode, barcode.data(), barcode.size());
  g.price = price;
  g.section = section;
  g.byPieces = byPieces;
  return true;
}

// ---- Commands --------------------------------------------------------------------------

void AddStatus(CLI::App& app) {
  auto* c = app.add_subcommand("status",
                               "Show the register's configuration, state, shift, clock and tape");
  c->callback([] {
    std::exit(WithSession([] {
      RegisterConfiguration config{};
      uint32_t state = 0;
      TimeDate clock{};
      ControlTapeInfo tape{};
      int32_t base = 0;
      int32_t code = CRGetConfiguration(&config);
      if (code == CR_OK) code = CRGetState(&state);
      if (code == CR_OK) code = CRGetTimeDate(&clock);
      if (code == CR_OK) code = CRGetCTInfo(&tape);
      if (code == CR_OK) code = CRGetIGBSize(&base);
      if (code != CR_OK) return Report(code);
      char when[32];
      std::snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u:%02u", clock.year, clock.month,
                    clock.day, clock.hour, clock.minute, clock.second);
      json data{{"register", CRGetCRNumber()},
                {"clock", when},
                {"configuration",
                 {{"useCashiers", config.useCashiers},
                  {"option02", config.option02},
                  {"useGoodsBase", config.useGoodsBase},
                  {"extendedChecks", config.extendedChecks},
                  {"useTaxes", config.useTaxes},
                  {"sectionCount", config.sectionCount}}},
                {"state",
                 {{"drawerAllowed", (state & CR_STATE_DRAWER_ALLOWED) != 0},
                  {"printingAllowed", (state & CR_STATE_PRINT_ALLOWED) != 0},
                  {"locked", (state & CR_STATE_LOCKED) != 0}}},
                {"shiftOpen", tape.shiftOpen != 0},
                {"tapeEntries", tape.entryCount},
                {"goodsBaseSize", base}};
      std::ostringstream text;
      text << "register        " << CRGetCRNumber() << "\n"
           << "clock           " << when << "\n"
           << "shift           " << (tape.shiftOpen != 0 ? "open" : "closed") << "\n"
           << "tape entries    " << tape.entryCount << "\n"
           << "goods base      " << base << " entries\n"
           << "sections        " << int{config.sectionCount} << "\n"
           << "cashiers        " << (config.useCashiers != 0 ? "registered" : "not registered")
           << "\n"
           << "goods base use  " << (config.useGoodsBase != 0 ? "on" : "off") << "\n"
           << "extended checks " << (config.extendedChecks != 0 ? "on" : "off") << "\n"
           << "taxes           " << (config.useTaxes != 0 ? "on" : "off") << "\n"
           << "drawer          " << ((state & CR_STATE_DRAWER_ALLOWED) != 0 ? "may open" : "locked")
           << "\n"
           << "printing        "
           << ((state & CR_STATE_PRINT_ALLOWED) != 0 ? "allowed" : "not allowed") << "\n"
           << "lock            " << ((state & CR_STATE_LOCKED) != 0 ? "locked" : "unlocked")
           << "\n";
      return Report(CR_OK, data, text.str());
    }));
  });
}

void AddConfig(CLI::App& app) {
  auto* c = app.add_subcommand("config", "Read or write the configuration");
  c->require_subcommand(1);
  c->add_subcommand("get", "Read the configuration")->callback([] {
    std::exit(WithSession([] {
      RegisterConfiguration r{};
      const int32_t code = CRGetConfiguration(&r);
      json data{{"useCashiers", r.useCashiers},   {"option02", r.option02},
                {"useGoodsBase", r.useGoodsBase}, {"extendedChecks", r.extendedChecks},
                {"useTaxes", r.useTaxes},         {"sectionCount", r.sectionCount}};
      std::ostringstream text;
      if (code == CR_OK) {
        for (auto& [k, v] : data.items()) text << k << " = " << v << "\n";
      }
      return Report(code, code == CR_OK ? data : json::object(), text.str());
    }));
  });
  auto* set = c->add_subcommand("set", "Write the given fields (not while a shift is open)");
  static std::optional<int> cashiers, option02, goods, extended, taxes, sections;
  set->add_option("--cashiers", cashiers, "register cashiers (1/0)");
  set->add_option("--option02", option02, "option 02 (1/0)");
  set->add_option("--goods-base", goods, "use the goods base (1/0)");
  set->add_option("--extended", extended, "allow extended check lines (1/0)");
  set->add_option("--taxes", taxes, "use taxes (1/0)");
  set->add_option("--sections", sections, "number of sections (1-16)")->check(CLI::Range(1, 16));
  set->callback([] {
    std::exit(WithSession([] {
      RegisterConfiguration r{};
      uint32_t flags = 0;
      auto take = [&](const std::optional<int>& v, int32_t& field, uint32_t flag) {
        if (v) field = *v, flags |= flag;
      };
      take(cashiers, r.useCashiers, CR_CFG_USE_CASHIERS);
      take(option02, r.option02, CR_CFG_OPTION02);
      take(goods, r.useGoodsBase, CR_CFG_USE_GOODS_BASE);
      take(extended, r.extendedChecks, CR_CFG_EXTENDED_CHECKS);
      take(taxes, r.useTaxes, CR_CFG_USE_TAXES);
      if (sections) r.sectionCount = static_cast<uint8_t>(*sections), flags |= CR_CFG_SECTION_COUNT;
      return Report(CRConfigureEx(&r, flags));
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
      char when[32];
      std::snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day,
                    t.hour, t.minute, t.second);
      return Report(code, code == CR_OK ? json{{"clock", when}} : json::object(),
                    code == CR_OK ? std::string(when) + "\n" : "");
    }));
  });
  auto* set = c->add_subcommand("set", "Set the clock");
  static std::string when;
  set->add_option("time", when, "YYYY-MM-DD HH:MM:SS")->required();
  set->callback([] {
    std::tm tm{};
    if (strptime(when.c_str(), "%Y-%m-%d %H:%M:%S", &tm) == nullptr) {
      std::cerr << "varnolo: the time must look like 2026-12-31 23:59:00\n";
      std::exit(kExitUsage);
    }
    std::exit(WithSession([&] { return Report(CRSetTimeDate(TimeDateOf(tm))); }));
  });
  c->add_subcommand("sync", "Set the clock to this computer's local time")->callback([] {
    std::exit(WithSession([] {
      const std::time_t now = std::time(nullptr);
      std::tm tm{};
      localtime_r(&now, &tm);
      return Report(CRSetTimeDate(TimeDateOf(tm)));
    }));
  });
}

// A text setting: "header" prints it, "header TEXT" sets it.
void AddText(CLI::App& app, const char* name, const char* help, size_t size, int32_t (*get)(char*),
             int32_t (*set)(const char*)) {
  auto* c = app.add_subcommand(name, help);
  auto* value = new std::optional<std::string>();
  c->add_option("text", *value, "the new text ('~' starts a new line)");
  c->callback([=] {
    std::exit(WithSession([=] {
      if (*value) return Report(set(ToAnsi(**value).c_str()));
      std::vector<char> buf(size + 1, 0);
      const int32_t code = get(buf.data());
      const std::string text = FromAnsi(buf.data());
      return Report(code, code == CR_OK ? json{{"text", text}} : json::object(),
                    code == CR_OK ? text + "\n" : "");
    }));
  });
}

void AddNumberedText(CLI::App& app, const char* name, const char* help, int max,
                     int32_t (*get)(char*, uint32_t), int32_t (*set)(const char*, uint32_t)) {
  auto* c = app.add_subcommand(name, help);
  auto* number = new uint32_t(1);
  auto* value = new std::optional<std::string>();
  c->add_option("number", *number, "which one")->required()->check(CLI::Range(1, max));
  c->add_option("text", *value, "the new name");
  c->callback([=] {
    std::exit(WithSession([=] {
      if (*value) return Report(set(ToAnsi(**value).c_str(), *number));
      char buf[32] = {};
      const int32_t code = get(buf, *number);
      const std::string text = FromAnsi(buf);
      return Report(code,
                    code == CR_OK ? json{{"number", *number}, {"name", text}} : json::object(),
                    code == CR_OK ? text + "\n" : "");
    }));
  });
}

void AddCashier(CLI::App& app) {
  auto* c = app.add_subcommand("cashier", "Show or set the current cashier");
  static std::optional<uint32_t> number;
  c->add_option("number", number, "the cashier to make current (1-8)")->check(CLI::Range(1, 8));
  c->callback([] {
    std::exit(WithSession([] {
      if (number) return Report(CRSetCurrentCashier(*number));
      int32_t current = 0;
      const int32_t code = CRGetCurrentCashier(&current);
      return Report(code, json{{"cashier", current}}, std::to_string(current) + "\n");
    }));
  });
}

// Rates and names: "tax 1", "tax 1 20", "tax 1 --name VAT".
void AddRate(CLI::App& app, const char* name, const char* help, bool numbered, int32_t which) {
  auto* c = app.add_subcommand(name, help);
  auto* number = new uint32_t(1);
  auto* rate = new std::optional<double>();
  auto* label = new std::optional<std::string>();
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
      if (code != CR_OK || *rate || *label) return Report(code);
      double value = 0;
      char buf[16] = {};
      code = numbered ? CRGetTaxVal(&value, *number) : CRGetDiscountOrRaiseVal(&value, which);
      if (code == CR_OK)
        code = numbered ? CRGetTaxName(buf, *number) : CRGetDiscountOrRaiseName(buf, which);
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
  c->add_option("--input-mode", input, "input mode (1/0)");
  c->add_option("--sound", sound, "sound (1/0)");
  c->add_option("--suspend", suspend, "suspend time (0-9)")->check(CLI::Range(0, 9));
  c->callback([] {
    std::exit(WithSession([] {
      int32_t code = CR_OK;
      bool changed = false;
      if (digits) code = CRSetDigits(*digits), changed = true;
      if (code == CR_OK && printMode) {
        code = CRSetPrintMode(static_cast<uint32_t>((*printMode)[0]), (*printMode)[1]),
        changed = true;
      }
      if (code == CR_OK && input) code = CRSetInputMode(*input), changed = true;
      if (code == CR_OK && sound) code = CRSetSound(*sound), changed = true;
      if (code == CR_OK && suspend) code = CRSetSuspendTime(*suspend), changed = true;
      if (code != CR_OK || changed) return Report(code);
      int32_t d = 0, p1 = 0, p2 = 0, in = 0, s = 0, susp = 0;
      code = CRGetDigits(&d);
      if (code == CR_OK) code = CRGetPrintMode(&p1, &p2);
      if (code == CR_OK) code = CRGetInputMode(&in);
      if (code == CR_OK) code = CRGetSound(&s);
      if (code == CR_OK) code = CRGetSuspendTime(&susp);
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

void AddGoods(CLI::App& app) {
  auto* c = app.add_subcommand("goods", "The register's internal goods base");
  c->require_subcommand(1);
  static uint32_t number = 1;
  static std::string name, barcode, file;
  static double price = 0;
  static uint32_t section = 1;
  static int32_t byPieces = 1;

  auto* get = c->add_subcommand("get", "Show an entry");
  get->add_option("number", number, "entry number")->required();
  get->callback([] {
    std::exit(WithSession([] {
      GoodsEntry g{};
      const int32_t code = CRGetInternalGBEntry(&g, number);
      if (code != CR_OK) return Report(code);
      const json data = GoodsJson(g, number);
      return Report(code, data,
                    data["name"].get<std::string>() + "  " + Money(g.price) + "  section " +
                        std::to_string(g.section) + "  " + g.barcode + "\n");
    }));
  });

  auto* set = c->add_subcommand("set", "Write an entry (not while a shift is open)");
  set->add_option("number", number, "entry number")->required();
  set->add_option("--name", name, "name (15 characters)")->required();
  set->add_option("--price", price, "unit price")->required();
  set->add_option("--section", section, "section (1-16)");
  set->add_option("--barcode", barcode, "13 digits");
  set->add_option("--by-pieces", byPieces,
                  "1 pieces, 0 weight, 2 pieces with computed check digit");
  set->callback([] {
    std::exit(WithSession([] {
      GoodsEntry g{};
      if (!FillGoods(g, name, price, section, byPieces, barcode))
        return Report(CR_ERR_OUT_OF_RANGE);
      return Report(CRSetInternalGBEntry(&g, number));
    }));
  });

  auto* clear = c->add_subcommand("clear", "Empty an entry");
  clear->add_option("number", number, "entry number")->required();
  clear->callback(
      [] { std::exit(WithSession([] { return Report(CRSetInternalGBEntry(nullptr, number)); })); });

  auto* import = c->add_subcommand(
      "import", "Write entries from a CSV file: number,name,price,section,barcode,byPieces");
  import->add_option("file", file, "the CSV file")->required()->check(CLI::ExistingFile);
  import->callback([] {
    std::ifstream in(file);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    rows.push_back(SplitCsv(line));
  }
  if (!rows.empty() && rows[0][0] == "number") rows.erase(rows.begin());
  std::exit(WithSession([&] {
    Progress progress("goods", rows.size());
    size_t done = 0;
    for (const auto& r : rows) {
      GoodsEntry g{};
      if (r.size() < 4 ||
          !FillGoods(g, r[1], std::stod(r[2]), static_cast<uint32_t>(std::stoul(r[3])),
                     r.size() > 5 ? std::stoi(r[5]) : 1, r.size() > 4 ? r[4] : "")) {
        std::cerr << "varnolo: bad line for entry " << (r.empty() ? "?" : r[0]) << "\n";
        return Report(CR_ERR_OUT_OF_RANGE, json{{"imported", done}});
      }
      const int32_t code = CRSetInternalGBEntry(&g, static_cast<uint32_t>(std::stoul(r[0])));
      if (code != CR_OK) return Report(code, json{{"imported", done}, {"failedAt", r[0]}});
      progress.Step(++done);
    }
    return Report(CR_OK, json{{"imported", done}}, std::to_string(done) + " entries written\n");
  }));
});

auto* exportCmd = c->add_subcommand("export", "Write the non-empty entries to a CSV file");
exportCmd->add_option("file", file, "the CSV file")->required();
exportCmd->callback([] {
  std::exit(WithSession([] {
    int32_t size = 0;
    int32_t code = CRGetIGBSize(&size);
    if (code != CR_OK) return Report(code);
    std::ofstream out(file);
    out << "number,name,price,section,barcode,byPieces\n";
    Progress progress("goods", static_cast<size_t>(size));
    size_t written = 0;
    for (uint32_t n = 1; n <= static_cast<uint32_t>(size); ++n) {
      GoodsEntry g{};
      code = CRGetInternalGBEntry(&g, n);
      progress.Step(n);
      if (code == CR_ERR_GOODS_EMPTY) continue;
      if (code != CR_OK) return Report(code, json{{"exported", written}});
      const json e = GoodsJson(g, n);
      out << n << "," << CsvField(e["name"].get<std::string>()) << "," << Money(g.price) << ","
          << g.section << "," << g.barcode << "," << g.byPieces << "\n";
      ++written;
    }
    return Report(CR_OK, json{{"exported", written}},
                  std::to_string(written) + " entries exported\n");
  }));
});
}  // namespace

void AddSell(CLI::App& app) {
  auto* c = app.add_subcommand("sell", "Print a sale check");
  static std::vector<std::string> lines;
  static std::string file;
  static std::optional<double> paid;
  static bool nonCash = false;
  c->add_option(
      "lines", lines,
      "QTY*PRICE[,section=N][,tax=N][,discount=P][,raise=P][,name=TEXT][,barcode=DIGITS][,pieces]");
  c->add_option("--file", file,
                "the check as JSON: {\"lines\":[{...}], \"paid\":..., \"nonCash\":...}")
      ->check(CLI::ExistingFile);
  c->add_option("--paid", paid, "amount the customer paid (cash: change is printed)");
  c->add_flag("--non-cash", nonCash, "paid by card or transfer");
  c->callback([] {
    SaleCheck check;
    std::string error;
    const bool parsed =
        file.empty() ? ParseLines(lines, check, error) : ParseCheckFile(file, check, error);
    if (!parsed) {
      std::cerr << "varnolo: " << error << "\n";
      std::exit(kExitUsage);
    }
    if (paid) check.paid = *paid, check.paidGiven = true;
    if (nonCash) check.nonCash = true;
    std::exit(Document("sale check", [&] { return CreateSaleCheck(check); }));
  });
}

void AddDocuments(CLI::App& app) {
  static int32_t goodsNumber = 1;
  static double quantity = 1, amount = 0;
  static uint32_t section = 1;
  static std::string text;

  auto* gs = app.add_subcommand("goods-sell", "Sell an entry of the register's goods base");
  gs->add_option("number", goodsNumber, "entry number")->required();
  gs->add_option("--quantity", quantity, "pieces or weight");
  gs->callback([] {
    std::exit(Document("goods-base check", [] {
      CheckItem item{quantity, 0, 0, 0, 1, 0};
      return CRCreateIntGBCheck(&item, goodsNumber);
    }));
  });

  auto* in = app.add_subcommand("cash-in", "Put cash into the drawer");
  in->add_option("amount", amount, "the sum")->required();
  in->callback([] { std::exit(Document("cash in", [] { return CRCreateInputCheck(amount); })); });

  auto* out = app.add_subcommand("cash-out", "Take cash out of the drawer");
  out->add_option("amount", amount, "the sum")->required();
  out->callback(
      [] { std::exit(Document("cash out", [] { return CRCreateTakeoffCheck(amount); })); });

  auto* pack = app.add_subcommand("pack", "Print a pack check");
  pack->add_option("section", section, "section")->required();
  pack->add_option("amount", amount, "the sum")->required();
  pack->callback(
      [] { std::exit(Document("pack check", [] { return CRCreatePackCheck(section, amount); })); });

  auto* back = app.add_subcommand("money-back", "Pay money back to a customer");
  back->add_option("section", section, "section")->required();
  back->add_option("amount", amount, "the sum")->required();
  back->callback([] {
    std::exit(Document("money-back check", [] { return CRCreateMoneyBackCheck(section, amount); }));
  });

  auto* dec = app.add_subcommand("decorated", "Print a check of one amount with a free text");
  dec->add_option("amount", amount, "the sum")->required();
  dec->add_option("text", text, "the text (up to 255 bytes)")->required();
  dec->callback([] {
    std::exit(Document("decorated check", [] {
      DecoratedCheck d{};
      d.amount = amount;
      const std::string ansi = ToAnsi(text);
      std::memcpy(d.text, ansi.data(), std::min<size_t>(ansi.size(), 255));
      return CRCreateDecoratedCheck(&d);
    }));
  });

  app.add_subcommand("annul", "Annul the last check of the shift")->callback([] {
    std::exit(Document("annulment", [] { return CRAnnulCheck(); }));
  });
}

void AddReports(CLI::App& app) {
  auto* c = app.add_subcommand("report", "Print a report");
  static std::string kind;
  c->add_option("kind", kind, "x, cashiers, sections, hourly or goods")
      ->required()
      ->check(CLI::IsMember({"x", "cashiers", "sections", "hourly", "goods"}));
  c->callback([] {
    const int32_t k = kind == "cashiers"   ? 1
                      : kind == "sections" ? 2
                      : kind == "hourly"   ? 3
                      : kind == "goods"    ? 4
                                           : 5;
    std::exit(WithSession(
        [&] { return Report(CRReport(k), json::object(), kind + " report printed\n"); }));
  });

  app.add_subcommand("close-shift", "Print the closing report and close the shift")->callback([] {
    std::exit(
        WithSession([] { return Report(CRCloseSwitch(), json::object(), "shift closed\n"); }));
  });

  auto* totals = app.add_subcommand("totals", "Show the trade totals");
  static std::optional<uint32_t> cashier, section;
  totals->add_option("--cashier", cashier, "one cashier's totals")->check(CLI::Range(1, 8));
  totals->add_option("--section", section, "one section's totals")->check(CLI::Range(1, 16));
  totals->excludes(totals->get_option("--cashier"));
  totals->callback([] {
    std::exit(WithSession([] {
      TradeTotals t{};
      TradeCounters n{};
      const uint32_t index = cashier ? *cashier : section ? *section : 0;
      const int32_t code = CRGetTradeResults(&t, &n, index, cashier ? 1 : 0);
      if (code != CR_OK) return Report(code);
      json data{{"amounts", json::array()}, {"counters", json::array()}};
      std::ostringstream text;
      for (int k = 0; k < 18; ++k) {
        data["amounts"].push_back(Cents(t.value[k]));
        text << "amount " << k << "\t" << Money(t.value[k]) << "\n";
      }
      for (int k = 0; k < 11; ++k) {
        data["counters"].push_back(n.count[k]);
        text << "counter " << k << "\t" << n.count[k] << "\n";
      }
      return Report(code, data, text.str());
    }));
  });
}

void AddTape(CLI::App& app) {
  auto* c = app.add_subcommand("tape", "Show the control tape");
  static std::optional<int32_t> from, to;
  static bool csv = false;
  c->add_option("--from", from, "first entry");
  c->add_option("--to", to, "last entry");
  c->add_flag("--csv", csv, "comma-separated output");
  c->callback([] {
    std::exit(WithSession([] {
      uint16_t count = 0;
      int32_t code = CRGetNumOfShoppings(&count);
      if (code != CR_OK) return Report(code);
      const int32_t first = from.value_or(1);
      const int32_t last = to.value_or(count);
      if (count == 0 || last < first)
        return Report(CR_OK, json{{"entries", json::array()}}, "the tape is empty\n");
      Progress progress("tape entries", static_cast<size_t>(last - first + 1));
      TapeWalk collected;
      collected.progress = &progress;
      walk = &collected;
      code = CREnumCTEntriesFromShopping2(CollectEntry, first, static_cast<uint32_t>(last), 0);
      json data{{"entries", json::array()}};
      std::ostringstream text;
      if (csv)
        text << "number,kind,amount,cashier,section,group,hour,minute,flag0,flag1,flagLast,extra1,"
                "extra2\n";
      for (size_t i = 0; i < collected.entries.size(); ++i) {
        const ControlTapeEntry& e = collected.entries[i];
        const size_t number = static_cast<size_t>(first) + i;
        data["entries"].push_back(EntryJson(e, number));
        char line[160];
        if (csv) {
          std::snprintf(line, sizeof line, "%zu,%d,%.2f,%d,%d,%d,%u,%u,%d,%d,%d,%u,%u\n", number,
                        e.kind, e.amount, e.cashier, e.section, e.group, e.hour, e.minute, e.flag0,
                        e.flag1, e.flagLast, e.extraWord1, e.extraWord2);
        } else {
          std::snprintf(line, sizeof line,
                        "%5zu  %02u:%02u  kind %d  cashier %d  section %2d  %12.2f\n", number,
                        e.hour, e.minute, e.kind, e.cashier, e.section, e.amount);
        }
        text << line;
      }
      return Report(code, data, text.str());
    }));
  });
  app.add_subcommand("close-tape", "Close the control tape (after the shift is closed)")
      ->callback([] {
        std::exit(WithSession(
            [] { return Report(CRCloseCT(), json::object(), "control tape closed\n"); }));
      });
}

void AddPeripherals(CLI::App& app) {
  auto* d = app.add_subcommand("display", "Show a text on the customer display");
  static std::string text;
  static uint32_t position = 0;
  static bool flag = false;
  d->add_option("text", text, "up to 16 characters")->required();
  d->add_option("--position", position, "position byte");
  d->add_flag("--flag", flag, "set the display flag");
  d->callback([] {
    std::exit(WithSession(
        [] { return Report(CRDisplay(ToAnsi(text).c_str(), position, flag ? 1 : 0)); }));
  });
  app.add_subcommand("drawer", "Open the cash drawer")->callback([] {
    std::exit(WithSession([] { return Report(CRBoxOut(), json::object(), "drawer opened\n"); }));
  });
  app.add_subcommand("test", "Run the register's device test")->callback([] {
    std::exit(
        WithSession([] { return Report(CRTestTPD(), json::object(), "device test printed\n"); }));
  });
}

}  // namespace varnolo::cli
}  // namespace varnolo::cli

int main(int argc, char** argv) {
  using namespace varnolo::cli;
  CLI::App app{"varnolo: drive a fiscal cash register from the command line"};
  app.footer(
      "Environment: VARNOLO_PORT and VARNOLO_REGISTER give the defaults of --port and --register.\n"
      "Exit status: 0 done, 1 the register or the library refused (the message says why),\n"
      "2 bad arguments, 3 no register answered.");
  app.require_subcommand(1);
  options.target.port = EnvOr("VARNOLO_PORT", "COM1");
  options.target.registerNumber =
      static_cast<uint32_t>(std::strtoul(EnvOr("VARNOLO_REGISTER", "1").c_str(), nullptr, 10));
  app.add_option("--port", options.target.port, "COM1, COM2 or a device path")
      ->capture_default_str();
  app.add_option("--register", options.target.registerNumber, "the register's number on the line")
      ->capture_default_str();
  app.add_flag("--json", options.json, "print results as JSON for scripts");
  app.fallthrough();

  AddStatus(app);
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
  AddGoods(app);
  AddSell(app);
  AddDocuments(app);
  AddReports(app);
  AddTape(app);
  AddPeripherals(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kExitOk : kExitUsage;
  }
  return kExitOk;
}
