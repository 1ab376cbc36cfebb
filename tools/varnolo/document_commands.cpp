// sell, goods-sell, cash-in, cash-out, pack, money-back, decorated, annul:
// every document runs through the tape-count verdict, so that a failed call
// never leaves the cashier guessing whether it was printed.
#include <algorithm>
#include <cstring>
#include <optional>

#include "ansi_text.h"
#include "commands.h"
#include "outcome.h"
#include "sale_check.h"
#include "sale_lines.h"
#include "varnolo.h"

namespace varnolo::cli {
namespace {

using namespace client;

std::string KeyList(const std::string_view* begin, const std::string_view* end) {
  std::string out;
  for (const auto* k = begin; k != end; ++k) out += (out.empty() ? "" : ", ") + std::string(*k);
  return out;
}

}  // namespace

std::string CheckFileKeysHelp() {
  return "the check as JSON. Keys: " + KeyList(std::begin(kCheckKeys), std::end(kCheckKeys)) +
         "; each line: " + KeyList(std::begin(kLineKeys), std::end(kLineKeys)) +
         ". Any other key is refused";
}

void AddDocumentCommands(CLI::App& app) {
  auto* c = app.add_subcommand("sell", "Print a sale check");
  static std::vector<std::string> lines;
  static std::string file;
  static std::optional<double> paid;
  static bool nonCash = false;
  c->add_option("lines", lines, kSaleLineSyntax);
  c->add_option("--file", file, CheckFileKeysHelp())->check(CLI::ExistingFile);
  c->add_option("--paid", paid, "amount the customer paid (cash: change is printed)");
  c->add_flag("--non-cash", nonCash, "paid by card or transfer");
  c->callback([] {
    SaleCheck check;
    std::string error;
    if (!file.empty() && !lines.empty())
      std::exit(UsageError("sell: give lines or --file, not both"));
    const bool parsed =
        file.empty() ? ParseSaleLines(lines, check, error) : ParseSaleCheckFile(file, check, error);
    if (!parsed) std::exit(UsageError("sell: " + error));
    if (paid) check.paid = *paid, check.paidGiven = true;
    if (nonCash) check.nonCash = true;
    std::exit(Document("sale check", SaleCheckRunTimeoutMs(check),
                       [&] { return CreateSaleCheck(check); }));
  });

  static int32_t goodsNumber = 1;
  static double quantity = 1, amount = 0;
  static uint32_t section = 1;
  static std::string text;

  auto* gs = app.add_subcommand("goods-sell", "Sell an entry of the register's goods base");
  gs->add_option("number", goodsNumber, "entry number")->required();
  gs->add_option("--quantity", quantity, "pieces or weight");
  gs->callback([] {
    std::exit(Document("goods-base check", kGoodsBaseCheckRunMs, [] {
      CheckItem item{quantity, 0, 0, 0, 1, 0};
      return CRCreateIntGBCheck(&item, goodsNumber);
    }));
  });

  auto* in = app.add_subcommand("cash-in", "Put cash into the drawer");
  in->add_option("amount", amount, "the sum")->required();
  in->callback([] {
    std::exit(Document("cash in", kCashCheckRunMs, [] { return CRCreateInputCheck(amount); }));
  });

  auto* out = app.add_subcommand("cash-out", "Take cash out of the drawer");
  out->add_option("amount", amount, "the sum")->required();
  out->callback([] {
    std::exit(Document("cash out", kCashCheckRunMs, [] { return CRCreateTakeoffCheck(amount); }));
  });

  auto* pack = app.add_subcommand("pack", "Print a pack check");
  pack->add_option("section", section, "section")->required();
  pack->add_option("amount", amount, "the sum")->required();
  pack->callback([] {
    std::exit(
        Document("pack check", kPackCheckRunMs, [] { return CRCreatePackCheck(section, amount); }));
  });

  auto* back = app.add_subcommand("money-back", "Pay money back to a customer");
  back->add_option("section", section, "section")->required();
  back->add_option("amount", amount, "the sum")->required();
  back->callback([] {
    std::exit(Document("money-back check", kPackCheckRunMs,
                       [] { return CRCreateMoneyBackCheck(section, amount); }));
  });

  auto* dec = app.add_subcommand("decorated", "Print a check of one amount with a free text");
  dec->add_option("amount", amount, "the sum")->required();
  dec->add_option("text", text, "the text (up to 255 bytes)")->required();
  dec->callback([] {
    const std::string ansi = ToAnsi(text);
    if (ansi.size() > 255) std::exit(UsageError("decorated: the text is longer than 255 bytes"));
    std::exit(Document("decorated check", kDecoratedCheckRunMs, [&] {
      DecoratedCheck d{};
      d.amount = amount;
      std::memcpy(d.text, ansi.data(), ansi.size());
      return CRCreateDecoratedCheck(&d);
    }));
  });

  app.add_subcommand("annul", "Annul the last check of the shift")->callback([] {
    std::exit(Document("annulment", kAnnulmentRunMs, [] { return CRAnnulCheck(); }));
  });
}

}  // namespace varnolo::cli
