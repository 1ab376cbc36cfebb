// report, close-shift, totals, tape, close-tape; display, drawer, test.
#include <cstdio>
#include <optional>
#include <sstream>

#include "ansi_text.h"
#include "commands.h"
#include "format.h"
#include "interrupt.h"
#include "outcome.h"
#include "progress.h"
#include "register_json.h"
#include "varnolo.h"
#include "varnolo_labels.h"

namespace varnolo::cli {
namespace {

using nlohmann::json;

using client::TapeRow;

std::string RowText(const TapeRow& r) {
  char line[200];
  std::snprintf(line, sizeof line, "%5zu  %02u:%02u  %-11s  cashier %d  section %2d  %12.2f",
                r.number, r.hour, r.minute, VarnoloTapeKindLabel(r.kind), r.cashier, r.section,
                r.amount);
  std::string text = line;
  if (r.flag0 != 0) text += std::string("  ") + VARNOLO_TAPE_FLAG0_LABEL;
  if (r.flag1 != 0) text += std::string("  ") + VARNOLO_TAPE_FLAG1_LABEL;
  if (r.flagLast != 0) text += std::string("  ") + VARNOLO_TAPE_FLAG_LAST_LABEL;
  return text + "\n";
}

std::string RowCsv(const TapeRow& r) {
  char line[200];
  std::snprintf(line, sizeof line, "%zu,%d,%.2f,%d,%d,%d,%u,%u,%d,%d,%d,%u,%u,%s\n", r.number,
                r.kind, r.amount, r.cashier, r.section, r.group, r.hour, r.minute, r.flag0, r.flag1,
                r.flagLast, r.extra1, r.extra2, VarnoloTapeKindLabel(r.kind));
  return line;
}

int Tape(std::optional<int32_t> from, std::optional<int32_t> to, bool csv) {
  uint16_t count = 0;
  int32_t code = CRGetNumOfShoppings(&count);
  if (code != CR_OK) return Report(code);
  const int32_t first = from.value_or(1);
  const int32_t last = to.value_or(count);
  if (count == 0 || last < first)
    return Report(CR_OK, json{{"entries", json::array()}}, "the tape is empty\n");
  Progress progress("tape entries", static_cast<size_t>(last - first + 1));
  std::vector<TapeRow> rows;
  code = client::ReadTapeRange(first, static_cast<uint32_t>(last), [&](const TapeRow& row) {
    rows.push_back(row);
    progress.Step(rows.size());
    return !StopRequested();
  });
  json data{{"entries", json::array()}};
  std::ostringstream text;
  if (csv)
    text << "number,kind,amount,cashier,section,group,hour,minute,flag0,flag1,flagLast,extra1,"
            "extra2,kindName\n";
  for (const TapeRow& r : rows) {
    data["entries"].push_back(client::TapeRowJson(r));
    text << (csv ? RowCsv(r) : RowText(r));
  }
  // Entries read before a failure are true: show them with the error.
  return Report(
      Outcome{code, data, text.str(), "after " + std::to_string(rows.size()) + " entries", true});
}

int Totals(std::optional<uint32_t> cashier, std::optional<uint32_t> section) {
  TradeTotals t{};
  TradeCounters n{};
  const uint32_t index = cashier ? *cashier : section ? *section : 0;
  const int32_t code = CRGetTradeResults(&t, &n, index, cashier ? 1 : 0);
  if (code != CR_OK) return Report(code);
  const json data = client::TotalsJson(t, n);
  std::ostringstream text;
  for (int k = 0; k < VARNOLO_TOTAL_COUNT; ++k) {
    char line[80];
    std::snprintf(line, sizeof line, "%-20s %12.2f\n", VarnoloTotalLabel(k), t.value[k]);
    text << line;
  }
  for (int k = 0; k < VARNOLO_COUNTER_COUNT; ++k) {
    char line[80];
    const int count = n.count[k];
    std::snprintf(line, sizeof line, "%-20s %12d\n", VarnoloCounterLabel(k), count);
    text << line;
  }
  return Report(code, data, text.str());
}

}  // namespace

void AddReportCommands(CLI::App& app) {
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
  auto* byCashier =
      totals->add_option("--cashier", cashier, "one cashier's totals")->check(CLI::Range(1, 8));
  auto* bySection =
      totals->add_option("--section", section, "one section's totals")->check(CLI::Range(1, 16));
  byCashier->excludes(bySection);
  totals->callback([] { std::exit(WithSession([] { return Totals(cashier, section); })); });

  auto* tape = app.add_subcommand("tape", "Show the control tape");
  static std::optional<int32_t> from, to;
  static bool csv = false;
  tape->add_option("--from", from, "first entry")->check(CLI::Range(1, 65535));
  tape->add_option("--to", to, "last entry")->check(CLI::Range(1, 65535));
  tape->add_flag("--csv", csv, "comma-separated output");
  tape->callback([] { std::exit(WithSession([] { return Tape(from, to, csv); })); });

  app.add_subcommand("close-tape", "Close the control tape (after the shift is closed)")
      ->callback([] {
        std::exit(WithSession(
            [] { return Report(CRCloseCT(), json::object(), "control tape closed\n"); }));
      });
}

void AddDeviceCommands(CLI::App& app) {
  auto* d = app.add_subcommand("display", "Show a text on the customer display");
  static std::string text;
  static uint32_t position = 0;
  static bool flag = false;
  d->add_option("text", text, "up to 16 characters")->required();
  d->add_option("--position", position, "position byte");
  d->add_flag("--flag", flag, "set the display flag");
  d->callback([] {
    std::exit(WithSession([] {
      return Report(CRDisplay(client::ToAnsi(text).c_str(), position, flag ? 1 : 0), json::object(),
                    "shown on the display\n");
    }));
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
