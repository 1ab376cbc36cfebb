// The rulebook against the library itself: for every number argument of
// every document, the value at each end of its range is carried out by the
// simulated register and the next value past it is refused, so the table
// every face reads cannot drift from what the library does. And the
// decimals rule refuses exactly the values the library would cut.
#include "rulebook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "settings/decimal.h"
#include "support/check_fixture.h"
#include "support/param_name.h"

namespace varnolo::test {
namespace {

using rules::DocumentKind;
using rules::NumberRule;

enum class End { kLow, kHigh };

struct LimitCase {
  const rules::DocumentRule* document;
  const NumberRule* rule;
  End end;
  bool past;  // false: the value at the end, true: one step beyond it
};

std::string Describe(const LimitCase& c) {
  std::string name = std::string(c.document->kind) + "_" + std::string(c.rule->field) +
                     (c.rule->when.empty() ? "" : "_by_" + std::string(c.rule->when)) +
                     (c.end == End::kLow ? "_low" : "_high") + (c.past ? "_past" : "_at");
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
}

std::string CaseName(const ::testing::TestParamInfo<LimitCase>& p) { return Describe(p.param); }
void PrintTo(const LimitCase& c, std::ostream* out) { *out << Describe(c); }

// Arguments the C interface takes unsigned cannot go below 0.
bool Unsigned(std::string_view field) {
  return field == "section" || field == "tax" || field == "number";
}

std::vector<LimitCase> AllLimits() {
  std::vector<LimitCase> cases;
  for (const rules::DocumentRule& d : rules::Documents()) {
    for (const NumberRule& n : d.numbers) {
      for (End end : {End::kLow, End::kHigh}) {
        for (bool past : {false, true}) {
          if (past && end == End::kLow && n.low == 0 && Unsigned(n.field)) continue;
          cases.push_back({&d, &n, end, past});
        }
      }
    }
  }
  return cases;
}

double ValueOf(const LimitCase& c) {
  const double step = std::pow(10.0, -c.rule->decimals);
  const double at = c.end == End::kLow ? c.rule->low : c.rule->high;
  if (!c.past) return at;
  // The nearest value past the end with the rule's decimals.
  const double scale = std::pow(10.0, c.rule->decimals);
  return std::round((c.end == End::kLow ? at - step : at + step) * scale) / scale;
}

// A register on which every document can be carried out: the goods base,
// taxes, extended lines and all sections on, goods entries, an open shift and
// a drawer full of cash. Cashiers only for the cashiers' report: with them
// the drawer's cash is each cashier's.
class DocumentsFixture : public CheckFixture {
 protected:
  void SetUp() override {
    CheckFixture::SetUp();
    Configure(useCashiers_, 1, 1, 16, 1);
    // Entry 1 and the last by weight, entry 2 by pieces, all at 1.00.
    for (const auto& [number, pieces] : {std::pair{1u, 0}, {1800u, 0}, {2u, 1}}) {
      GoodsEntry e{};
      e.price = 1;
      e.byPieces = pieces;
      e.section = 1;
      std::memcpy(e.name, "Salt", 4);
      ASSERT_EQ(CRSetInternalGBEntry(&e, number), kOk);
    }
    OpenShift();
    SetDrawerCash(999999999999);  // a drawer that pays out whatever the documents allow
    platform->ClearRecords();
    reg.ClearPaper();
  }

  // Runs the document with `field` set to `value` and every other argument
  // at a value it accepts.
  int32_t Run(const rules::DocumentRule& d, const NumberRule& rule, double value) {
    auto arg = [&](std::string_view field, double otherwise) {
      return rule.field == field ? value : otherwise;
    };
    switch (d.id) {
      case DocumentKind::kSaleCheck: {
        CheckItemEx item{};
        item.quantity = arg("quantity", 1);
        item.price = arg("price", 1);
        item.raisePercent = arg("raise", 0);
        item.discountPercent = arg("discount", 0);
        item.section = static_cast<uint32_t>(arg("section", 1));
        item.taxNumber = static_cast<uint32_t>(arg("tax", 0));
        item.byPieces = rule.when == "pieces" ? 1 : 0;
        std::memcpy(item.name, "Salt", 4);
        // A paid amount is tested paid by card: cash below the sum is the payment's refusal.
        const bool paid = rule.field == "paid";
        return CRCreateCheckEx(&item, 1, paid ? value : 0, paid ? 1 : 0, paid ? 1 : 0);
      }
      case DocumentKind::kGoodsBaseCheck: {
        CheckItem item{arg("quantity", 1), 0, arg("raise", 0),
                       arg("discount", 0), 1, static_cast<uint32_t>(arg("tax", 0))};
        const double number = rule.field == "number" ? value : rule.when == "pieces" ? 2 : 1;
        return CRCreateIntGBCheck(&item, static_cast<int32_t>(number));
      }
      case DocumentKind::kDecoratedCheck: {
        DecoratedCheck check{};
        check.amount = value;
        std::memcpy(check.text, "Thank you", 9);
        return CRCreateDecoratedCheck(&check);
      }
      case DocumentKind::kCashIn:
        return CRCreateInputCheck(value);
      case DocumentKind::kCashOut:
        return CRCreateTakeoffCheck(value);
      case DocumentKind::kPack:
        return CRCreatePackCheck(static_cast<uint32_t>(arg("section", 1)), arg("amount", 1));
      case DocumentKind::kMoneyBack:
        return CRCreateMoneyBackCheck(static_cast<uint32_t>(arg("section", 1)), arg("amount", 1));
      case DocumentKind::kAnnul:
        return CRAnnulCheck();
      case DocumentKind::kShiftClose:
        return CRCloseSwitch();
      default:
        if (d.reportKind != 0) return CRReport(d.reportKind);
        ADD_FAILURE() << d.kind << " is a document this test cannot run";
        return -1;
    }
  }

  int32_t useCashiers_ = 0;
};

class Limits : public DocumentsFixture, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(Limits, TheLibraryCarriesOutTheEndsAndRefusesPastThem) {
  const LimitCase& c = GetParam();
  const double value = ValueOf(c);
  const uint16_t before = reg.TapeCount();
  const int32_t result = Run(*c.document, *c.rule, value);
  const std::optional<std::string> verdict = rules::CheckNumber(*c.rule, value);
  if (c.past) {
    EXPECT_TRUE(result == kOutOfRange || result == kAmountTooLarge)
        << c.rule->field << " " << value << " gave " << result;
    EXPECT_EQ(reg.TapeCount(), before) << "refused, yet on the tape";
    EXPECT_TRUE(reg.paper().empty()) << reg.paper();
    ASSERT_TRUE(verdict.has_value()) << "the rulebook lets through what the library refuses";
    EXPECT_NE(verdict->find(std::string(c.rule->field)), std::string::npos) << *verdict;
    EXPECT_NE(verdict->find(rules::RangeText(*c.rule)), std::string::npos) << *verdict;
  } else {
    EXPECT_EQ(result, kOk) << c.rule->field << " " << value;
    EXPECT_GT(reg.TapeCount(), before) << "carried out, yet not on the tape";
    EXPECT_FALSE(reg.paper().empty());
    EXPECT_EQ(verdict, std::nullopt) << "the rulebook refuses what the library carries out";
  }
}

INSTANTIATE_TEST_SUITE_P(EveryArgument, Limits, ::testing::ValuesIn(AllLimits()), CaseName);

// How long each document may take to print, as the rulebook says every face
// waits for it, is how long the library itself waits for the register.
class RunTimeouts : public DocumentsFixture,
                    public ::testing::WithParamInterface<const rules::DocumentRule*> {
 protected:
  RunTimeouts() { useCashiers_ = GetParam()->id == DocumentKind::kReportCashiers ? 1 : 0; }
};

TEST_P(RunTimeouts, AreTheLibrarysOwn) {
  const rules::DocumentRule& d = *GetParam();
  if (d.id == DocumentKind::kAnnul) {
    CheckItem item = Item(1, 5);
    ASSERT_EQ(CRCreateCheck(&item, 1, 0, 0, 0), kOk);  // something to annul
  }
  platform->ClearRecords();
  // Every document's first argument is carried out at 1 (a quantity, an
  // entry, a sum, a section).
  const NumberRule none{"", 0, 0, 0, ""};
  const int32_t result = Run(d, d.numbers.empty() ? none : d.numbers[0], 1);
  ASSERT_EQ(result, kOk) << d.kind;
  // The run itself is one exchange that waits exactly that long.
  std::vector<uint32_t> waits;
  for (size_t i = 0; i < platform->Packets().size(); ++i)
    waits.push_back(platform->ReplyTimeoutOf(i));
  EXPECT_NE(std::find(waits.begin(), waits.end(), rules::RunTimeoutMs(d)), waits.end())
      << d.kind << " waits " << ::testing::PrintToString(waits);
}

std::vector<const rules::DocumentRule*> EveryDocument() {
  std::vector<const rules::DocumentRule*> all;
  for (const rules::DocumentRule& d : rules::Documents()) all.push_back(&d);
  return all;
}

std::string DocumentName(const ::testing::TestParamInfo<const rules::DocumentRule*>& p) {
  std::string name(p.param->kind);
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(EveryDocument, RunTimeouts, ::testing::ValuesIn(EveryDocument()),
                         DocumentName);

// A sale check holds as many lines as the rulebook says, and not one more.
using CheckLines = DocumentsFixture;

TEST_F(CheckLines, AsManyAsTheRulebookSays) {
  std::vector<CheckItem> items(rules::kMaxCheckLines + 1, Item(1, 1));
  const uint16_t before = reg.TapeCount();
  EXPECT_EQ(CRCreateCheck(items.data(), static_cast<uint32_t>(items.size()), 0, 0, 0), kOutOfRange);
  EXPECT_EQ(reg.TapeCount(), before);
  ASSERT_EQ(CRCreateCheck(items.data(), static_cast<uint32_t>(rules::kMaxCheckLines), 0, 0, 0),
            kOk);
  EXPECT_GE(reg.TapeCount(), before + rules::kMaxCheckLines);
}

// The library cuts further decimals off without a word; the rulebook must
// refuse exactly the values it would change, and no other.
TEST(RulebookDecimals, RefusesExactlyWhatTheLibraryWouldCut) {
  std::mt19937_64 random(20261211);
  std::uniform_int_distribution<int64_t> digits(0, 99999999999);
  int refused = 0, kept = 0;
  for (int decimals : {0, 2, 3}) {
    const NumberRule rule{"x", 0, 1e12, decimals, "test"};
    for (int i = 0; i < 20000; ++i) {
      // Values written with 0 to 5 decimals, as callers write them.
      const int written = static_cast<int>(random() % 6);
      const double x = static_cast<double>(digits(random) % 100000000) / std::pow(10.0, written);
      const bool cut = TruncatedDecimals(x, decimals) != x;
      const bool refusedHere = rules::CheckNumber(rule, x).has_value();
      ASSERT_EQ(refusedHere, cut) << x << " with " << decimals << " decimals";
      (cut ? refused : kept) += 1;
    }
  }
  EXPECT_GT(refused, 1000);
  EXPECT_GT(kept, 1000);
}

struct MessageCase {
  const char* name;
  NumberRule rule;
  double value;
  const char* message;  // empty: accepted
};

class RulebookMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(RulebookMessages, NameTheFieldAndTheRange) {
  const MessageCase& c = GetParam();
  EXPECT_EQ(rules::CheckNumber(c.rule, c.value).value_or(""), c.message);
}

constexpr NumberRule kCashIn{"amount", 0, 99999.99, 2, "currency units"};

INSTANTIATE_TEST_SUITE_P(
    Numbers, RulebookMessages,
    ::testing::Values(
        MessageCase{"Kept", kCashIn, 10.99, ""}, MessageCase{"TheHighEnd", kCashIn, 99999.99, ""},
        MessageCase{"ThreeDecimals", kCashIn, 10.999,
                    "amount 10.999 has more than 2 decimals (allowed: 0 to 99999.99, at most 2 "
                    "decimals)"},
        MessageCase{"AboveTheRange", kCashIn, 100000,
                    "amount 100000 is out of range (allowed: 0 to 99999.99, at most 2 decimals)"},
        MessageCase{"Negative", kCashIn, -0.01,
                    "amount -0.01 is out of range (allowed: 0 to 99999.99, at most 2 decimals)"},
        MessageCase{"NotANumber", kCashIn, std::nan(""),
                    "amount nan is not a number (allowed: 0 to 99999.99, at most 2 decimals)"},
        MessageCase{"HalfASection", rules::kLineSection, 2.5,
                    "section 2.5 is not a whole number (allowed: 1 to 16, a whole number)"},
        MessageCase{"PastTheFourBytes", rules::kLineSection, 4294967297.0,
                    "section 4294967297 is out of range (allowed: 1 to 16, a whole number)"},
        MessageCase{"ALargeCashOut", {"amount", 0.01, 9999999999.99, 2, ""}, 9999999999.99, ""}),
    ParamName());

struct TextCase {
  const char* name;
  rules::TextRule rule;
  const char* text;
  const char* message;  // empty: accepted
};

class RulebookTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(RulebookTexts, AreThoseTheRegisterCanPrint) {
  const TextCase& c = GetParam();
  EXPECT_EQ(rules::CheckText(c.rule, c.text).value_or(""), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RulebookTexts,
    ::testing::Values(TextCase{"Latin", rules::kLineName, "Milk", ""},
                      TextCase{"Cyrillic", rules::kLineName, "Молоко", ""},
                      TextCase{"NumeroSign", rules::kLineName, "№5", ""},
                      TextCase{"FifteenCyrillicLetters", rules::kLineName, "ААААААААААААААА", ""},
                      TextCase{"Sixteen", rules::kLineName, "АААААААААААААААА",
                               "name \"АААААААААААААААА\" is longer than 15 characters"},
                      TextCase{"EuroIsNotInTheRegistersCodePage", rules::kLineName, "€uro",
                               "name \"€uro\" holds \"€\", which the register cannot print"},
                      TextCase{"PerMilleNeither", rules::kLineName, "5‰",
                               "name \"5‰\" holds \"‰\", which the register cannot print"},
                      TextCase{"NotEvenInTheLibrarysCodePage", rules::kLineName, "日本",
                               "name \"日本\" holds \"日\", which the register cannot print"},
                      TextCase{"Barcode", rules::kLineBarcode, "4601234567893", ""},
                      TextCase{"NoBarcode", rules::kLineBarcode, "", ""},
                      TextCase{"ShortBarcode", rules::kLineBarcode, "460123",
                               "barcode \"460123\" is not 13 digits"},
                      TextCase{"LetterInBarcode", rules::kLineBarcode, "46012345678X3",
                               "barcode \"46012345678X3\" is not 13 digits"}),
    ParamName());

}  // namespace
}  // namespace varnolo::test
