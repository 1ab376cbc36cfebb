// sell, goods-sell, cash-in, cash-out, pack, money-back, decorated, annul:
// every argument is held to the rulebook before the session opens, and every
// document runs through the tape-count verdict, so that a failed call never
// leaves the cashier guessing whether it was printed. `rules` prints the
// rulebook itself.
#include <algorithm>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>

#include "ansi_text.h"
#include "commands.h"
#include "outcome.h"
#include "rulebook.h"
#include "rulebook_json.h"
#include "sale_check.h"
#include "sale_lines.h"
#include "varnolo.h"

namespace varnolo::cli {
namespace {

using namespace client;
using rules::DocumentKind;

std::string KeyList(const std::string_view* begin, const std::string_view* end) {
  std::string out;
  for (const auto* k = begin; k != end; ++k) out += (out.empty() ? "" : ", ") + std::string(*k);
  return out;
}

// The first of a document's arguments the rulebook refuses, as a usage error.
std::optional<int> Refused(std::string_view command, const rules::NumberRule& rule, double value) {
  if (std::optional<std::string> fault = rules::CheckNumber(rule, value))
    return UsageError(std::string(command) + ": " + *fault);
  return std::nullopt;
}

struct SellOptions {
  std::vector<std::string> lines;
  std::string file;
  std::optional<double> paid;
  bool nonCash = false;
};

int Sell(const SellOptions& o) {
  SaleCheck check;
  std::string error;
  if (!o.file.empty() && !o.lines.empty())
    return UsageError("sell: give lines or --file, not both");
  const bool parsed = o.file.empty() ? ParseSaleLines(o.lines, check, error)
                                     : ParseSaleCheckFile(o.file, check, error);
  if (!parsed) return UsageError("sell: " + error);
  if (o.paid) {
    if (std::optional<int> refused = Refused("sell", rules::kCheckPaid, *o.paid)) return *refused;
    check.paid = *o.paid;
    check.paidGiven = true;
  }
  if (o.nonCash) check.nonCash = true;
  return Document(rules::Document(DocumentKind::kSaleCheck), SaleCheckRunTimeoutMs(check),
                  [&] { return CreateSaleCheck(check); });
}

struct GoodsSellOptions {
  double number = 1;
  double quantity = 1;
};

int GoodsSell(const GoodsSellOptions& o) {
  const rules::DocumentRule& rule = rules::Document(DocumentKind::kGoodsBaseCheck);
  if (std::optional<int> refused = Refused("goods-sell", rules::kGoodsNumber, o.number))
    return *refused;
  // Whole pieces or a weight: the entry says which, so it is read first; a
  // quantity that is neither is refused at once.
  if (rules::CheckNumber(rules::kGoodsPieces, o.quantity)) {
    if (std::optional<int> refused = Refused("goods-sell", rules::kGoodsQuantity, o.quantity))
      return *refused;
  }
  return WithSession([&] {
    const auto number = static_cast<uint32_t>(o.number);
    GoodsEntry entry{};
    if (const int32_t code = CRGetInternalGBEntry(&entry, number); code != CR_OK)
      return Report(Outcome{code, {}, {}, "goods-base entry " + std::to_string(number), false});
    const rules::NumberRule& quantity =
        entry.byPieces != 0 ? rules::kGoodsPieces : rules::kGoodsQuantity;
    if (std::optional<std::string> fault = rules::CheckNumber(quantity, o.quantity))
      return UsageError("goods-sell: " + *fault + " for entry " + std::to_string(number));
    return RunAndReport(rule, rules::RunTimeoutMs(rule), [&] {
      CheckItem item{o.quantity, 0, 0, 0, 1, 0};
      return CRCreateIntGBCheck(&item, static_cast<int32_t>(number));
    });
  });
}

struct AmountOptions {
  double section = 1;
  double amount = 0;
};

// A document of one sum, or of a section and a sum, held to its rule.
int SumDocument(std::string_view command, DocumentKind id, const AmountOptions& o) {
  const rules::DocumentRule& rule = rules::Document(id);
  for (const rules::NumberRule& n : rule.numbers) {
    const double value = n.field == "section" ? o.section : o.amount;
    if (std::optional<int> refused = Refused(command, n, value)) return *refused;
  }
  const auto section = static_cast<uint32_t>(o.section);
  const double amount = o.amount;
  std::function<int32_t()> run;
  switch (id) {
    case DocumentKind::kCashIn:
      run = [amount] { return CRCreateInputCheck(amount); };
      break;
    case DocumentKind::kCashOut:
      run = [amount] { return CRCreateTakeoffCheck(amount); };
      break;
    case DocumentKind::kPack:
      run = [section, amount] { return CRCreatePackCheck(section, amount); };
      break;
    default:
      run = [section, amount] { return CRCreateMoneyBackCheck(section, amount); };
      break;
  }
  return Document(rule, rules::RunTimeoutMs(rule), run);
}

struct DecoratedOptions {
  double amount = 0;
  std::string text;
};

int Decorated(const DecoratedOptions& o) {
  const rules::DocumentRule& rule = rules::Document(DocumentKind::kDecoratedCheck);
  if (std::optional<int> refused = Refused("decorated", rule.numbers[0], o.amount)) return *refused;
  if (std::optional<std::string> fault = rules::CheckText(rule.texts[0], o.text))
    return UsageError("decorated: " + *fault);
  const std::string ansi = ToAnsi(o.text);
  return Document(rule, rules::RunTimeoutMs(rule), [&] {
    DecoratedCheck d{};
    d.amount = o.amount;
    std::memcpy(d.text, ansi.data(), std::min(ansi.size(), sizeof d.text - 1));
    return CRCreateDecoratedCheck(&d);
  });
}

struct RulesOptions {
  bool markdown = false;
};

int PrintRules(const RulesOptions& o) {
  if (GlobalOptions().json) {
    std::cout << rules::RulebookJson().dump(2) << std::endl;
  } else if (o.markdown) {
    std::cout << rules::LimitsMarkdown();
  } else {
    for (const rules::DocumentRule& d : rules::Documents()) {
      std::cout << d.title << " (" << d.kind << ", " << d.function << ")\n";
      for (const rules::NumberRule& n : d.numbers) {
        std::cout << "  " << n.field << (n.when.empty() ? "" : " by " + std::string(n.when)) << ": "
                  << rules::RangeText(n) << "\n";
      }
      for (const rules::TextRule& t : d.texts) {
        std::cout << "  " << t.field << ": "
                  << (t.digits ? std::to_string(t.maxBytes) + " digits or empty"
                               : "up to " + std::to_string(t.maxBytes) +
                                     " characters the register can print")
                  << "\n";
      }
    }
  }
  return kExitOk;
}

}  // namespace

std::string CheckFileKeysHelp() {
  return "the check as JSON. Keys: " + KeyList(std::begin(kCheckKeys), std::end(kCheckKeys)) +
         "; each line: " + KeyList(std::begin(kLineKeys), std::end(kLineKeys)) +
         ". Any other key is refused";
}

void AddDocumentCommands(CLI::App& app, CommandRun& run) {
  auto sell = std::make_shared<SellOptions>();
  auto* c = app.add_subcommand("sell", "Print a sale check");
  c->add_option("lines", sell->lines, kSaleLineSyntax);
  c->add_option("--file", sell->file, CheckFileKeysHelp())->check(CLI::ExistingFile);
  c->add_option("--paid", sell->paid, "amount the customer paid (cash: change is printed)");
  c->add_flag("--non-cash", sell->nonCash, "paid by card or transfer");
  c->callback([sell, &run] { run = [sell] { return Sell(*sell); }; });

  auto goods = std::make_shared<GoodsSellOptions>();
  auto* gs = app.add_subcommand("goods-sell", "Sell an entry of the register's goods base");
  gs->add_option("number", goods->number, "entry number")->required();
  gs->add_option("--quantity", goods->quantity, "pieces or weight");
  gs->callback([goods, &run] { run = [goods] { return GoodsSell(*goods); }; });

  struct SumCommand {
    const char* name;
    const char* help;
    DocumentKind id;
    bool withSection;
  };
  for (const SumCommand& s :
       {SumCommand{"cash-in", "Put cash into the drawer", DocumentKind::kCashIn, false},
        SumCommand{"cash-out", "Take cash out of the drawer", DocumentKind::kCashOut, false},
        SumCommand{"pack", "Print a pack check", DocumentKind::kPack, true},
        SumCommand{"money-back", "Pay money back to a customer", DocumentKind::kMoneyBack, true}}) {
    auto options = std::make_shared<AmountOptions>();
    auto* sub = app.add_subcommand(s.name, s.help);
    if (s.withSection) sub->add_option("section", options->section, "section")->required();
    sub->add_option("amount", options->amount, "the sum")->required();
    sub->callback(
        [options, s, &run] { run = [options, s] { return SumDocument(s.name, s.id, *options); }; });
  }

  auto decorated = std::make_shared<DecoratedOptions>();
  auto* dec = app.add_subcommand("decorated", "Print a check of one amount with a free text");
  dec->add_option("amount", decorated->amount, "the sum")->required();
  dec->add_option("text", decorated->text,
                  "the text (up to " +
                      std::to_string(rules::Text(DocumentKind::kDecoratedCheck, "text").maxBytes) +
                      " characters)")
      ->required();
  dec->callback([decorated, &run] { run = [decorated] { return Decorated(*decorated); }; });

  app.add_subcommand("annul", "Annul the last check of the shift")->callback([&run] {
    run = [] {
      const rules::DocumentRule& rule = rules::Document(DocumentKind::kAnnul);
      return Document(rule, rules::RunTimeoutMs(rule), [] { return CRAnnulCheck(); });
    };
  });

  auto rulesOptions = std::make_shared<RulesOptions>();
  auto* r = app.add_subcommand(
      "rules",
      "Show every document's arguments and the ranges the register accepts (with --json: "
      "the whole rulebook)");
  r->add_flag("--markdown", rulesOptions->markdown, "the table of limits in Markdown");
  r->callback([rulesOptions, &run] { run = [rulesOptions] { return PrintRules(*rulesOptions); }; });
}

}  // namespace varnolo::cli
