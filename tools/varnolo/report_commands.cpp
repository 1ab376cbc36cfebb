// report, close-shift, totals, tape, close-tape; display, drawer, test.
#include <cstdio>
#include <memory>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "ansi_text.h"
#include "commands.h"
#include "format.h"
#include "interrupt.h"
#include "outcome.h"
#include "progress.h"
#include "register_json.h"
#include "rulebook.h"
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

// The reports CRReport prints are the rulebook's documents with a report
// kind; the tool names each by its kind without "report-" ("x", "cashiers").
std::string ReportName(const rules::DocumentRule& rule) {
  constexpr std::string_view kPrefix = "report-";
  std::string_view name = rule.kind;
  if (name.substr(0, kPrefix.size()) == kPrefix) name.remove_prefix(kPrefix.size());
  return std::string(name);
}

std::vector<std::string> ReportNames() {
  std::vector<std::string> names;
  for (const rules::DocumentRule& rule : rules::Documents())
    if (rule.reportKind != 0) names.push_back(ReportName(rule));
  return names;
}

// "x, cashiers, sections, hourly or goods"
std::string NamesInWords(const std::vector<std::string>& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += i + 1 == names.size() ? " or " : ", ";
    out += names[i];
  }
  return out;
}

int PrintReport(const std::string& name) {
  for (const rules::DocumentRule& rule : rules::Documents()) {
    if (rule.reportKind == 0 || ReportName(rule) != name) continue;
    return PaperDocument(rule, [&] { return CRReport(rule.reportKind); });
  }
  return UsageError("report: '" + name + "' is none of " + NamesInWords(ReportNames()));
}

struct ReportOptions {
  std::string kind;
};

struct TotalsOptions {
  std::optional<uint32_t> cashier, section;
};

struct TapeOptions {
  std::optional<int32_t> from, to;
  bool csv = false;
};

struct DisplayOptions {
  std::string text;
  uint32_t position = 0;
  bool flag = false;
};

}  // namespace

void AddReportCommands(CLI::App& app, CommandRun& run) {
  auto* c = app.add_subcommand("report", "Print a report");
  auto report = std::make_shared<ReportOptions>();
  const std::vector<std::string> names = ReportNames();
  c->add_option("kind", report->kind, NamesInWords(names))->required()->check(CLI::IsMember(names));
  c->callback([o = report, &run] { run = [o] { return PrintReport(o->kind); }; });

  app.add_subcommand("close-shift", "Print the closing report and close the shift")
      ->callback([&run] {
        run = [] {
          return PaperDocument(rules::Document(rules::DocumentKind::kShiftClose),
                               [] { return CRCloseSwitch(); });
        };
      });

  auto* totals = app.add_subcommand("totals", "Show the trade totals");
  auto totalsOptions = std::make_shared<TotalsOptions>();
  auto* byCashier = totals->add_option("--cashier", totalsOptions->cashier, "one cashier's totals")
                        ->check(CLI::Range(1, 8));
  auto* bySection = totals->add_option("--section", totalsOptions->section, "one section's totals")
                        ->check(CLI::Range(1, 16));
  byCashier->excludes(bySection);
  totals->callback([o = totalsOptions, &run] {
    run = [o] { return WithSession([o] { return Totals(o->cashier, o->section); }); };
  });

  auto* tape = app.add_subcommand("tape", "Show the control tape");
  auto tapeOptions = std::make_shared<TapeOptions>();
  tape->add_option("--from", tapeOptions->from, "first entry")->check(CLI::Range(1, 65535));
  tape->add_option("--to", tapeOptions->to, "last entry")->check(CLI::Range(1, 65535));
  tape->add_flag("--csv", tapeOptions->csv, "comma-separated output");
  tape->callback([o = tapeOptions, &run] {
    run = [o] { return WithSession([o] { return Tape(o->from, o->to, o->csv); }); };
  });

  app.add_subcommand("close-tape", "Close the control tape (after the shift is closed)")
      ->callback([&run] {
        run = [] {
          return WithSession(
              [] { return Report(CRCloseCT(), json::object(), "control tape closed\n"); });
        };
      });
}

void AddDeviceCommands(CLI::App& app, CommandRun& run) {
  auto* d = app.add_subcommand("display", "Show a text on the customer display");
  auto o = std::make_shared<DisplayOptions>();
  d->add_option("text", o->text, "up to 16 characters")->required();
  d->add_option("--position", o->position, "position byte");
  d->add_flag("--flag", o->flag, "set the display flag");
  d->callback([o, &run] {
    run = [o] {
      if (std::optional<std::string> fault = rules::CheckPrintable("text", o->text))
        return UsageError("display: " + *fault);
      return WithSession([o] {
        return Report(CRDisplay(client::ToAnsi(o->text).c_str(), o->position, o->flag ? 1 : 0),
                      json::object(), "shown on the display\n");
      });
    };
  });
  app.add_subcommand("drawer", "Open the cash drawer")->callback([&run] {
    run = [] {
      return WithSession([] { return Report(CRBoxOut(), json::object(), "drawer opened\n"); });
    };
  });
  app.add_subcommand("test", "Run the register's device test")->callback([&run] {
    run = [] {
      return WithSession(
          [] { return Report(CRTestTPD(), json::object(), "device test printed\n"); });
    };
  });
}

}  // namespace varnolo::cli
