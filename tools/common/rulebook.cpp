#include "rulebook.h"

#include <iconv.h>

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "varnolo.h"

namespace varnolo::rules {
namespace {

constexpr NumberRule kSaleNumbers[] = {kLineQuantity, kLinePieces,  kLinePrice, kLineRaise,
                                       kLineDiscount, kLineSection, kLineTax,   kCheckPaid};
constexpr TextRule kSaleTexts[] = {kLineName, kLineBarcode};
constexpr NumberRule kGoodsNumbers[] = {kGoodsNumber, kGoodsQuantity, kGoodsPieces,
                                        kLineRaise,   kLineDiscount,  kLineTax};
constexpr NumberRule kDecoratedNumbers[] = {{"amount", 0, kMaxLineSum, 2, "currency units"}};
constexpr TextRule kDecoratedTexts[] = {{"text", 255}};
constexpr NumberRule kCashInNumbers[] = {{"amount", 0, 99999.99, 2, "currency units"}};
// Cash out takes up to the drawer's twelve digits; the register refuses
// more than the drawer holds (268).
constexpr NumberRule kCashOutNumbers[] = {{"amount", 0.01, 9999999999.99, 2, "currency units"}};
constexpr NumberRule kPayOutNumbers[] = {kLineSection,
                                         {"amount", 0.01, 99999.99, 2, "currency units"}};

constexpr uint32_t kCheckRunMs = 20000;
constexpr uint32_t kReportRunMs = 600000;  // a report may print for ten minutes

constexpr DocumentRule kDocuments[] = {
    {DocumentKind::kSaleCheck, "receipt", "sale check", "CRCreateCheck", 4000, 5000, true, 0,
     kSaleNumbers, kSaleTexts},
    {DocumentKind::kGoodsBaseCheck,
     "goods-sale",
     "goods-base check",
     "CRCreateIntGBCheck",
     kCheckRunMs,
     0,
     true,
     0,
     kGoodsNumbers,
     {}},
    {DocumentKind::kDecoratedCheck, "decorated", "decorated check", "CRCreateDecoratedCheck", 10000,
     0, true, 0, kDecoratedNumbers, kDecoratedTexts},
    {DocumentKind::kCashIn,
     "cash-in",
     "cash in",
     "CRCreateInputCheck",
     kCheckRunMs,
     0,
     true,
     0,
     kCashInNumbers,
     {}},
    {DocumentKind::kCashOut,
     "cash-out",
     "cash out",
     "CRCreateTakeoffCheck",
     kCheckRunMs,
     0,
     true,
     0,
     kCashOutNumbers,
     {}},
    {DocumentKind::kPack,
     "pack",
     "pack check",
     "CRCreatePackCheck",
     kCheckRunMs,
     0,
     true,
     0,
     kPayOutNumbers,
     {}},
    {DocumentKind::kMoneyBack,
     "money-back",
     "money-back check",
     "CRCreateMoneyBackCheck",
     kCheckRunMs,
     0,
     true,
     0,
     kPayOutNumbers,
     {}},
    {DocumentKind::kAnnul, "annul", "annulment", "CRAnnulCheck", kCheckRunMs, 0, true, 0, {}, {}},
    {DocumentKind::kReportX,
     "report-x",
     "X report",
     "CRReport",
     kReportRunMs,
     0,
     false,
     CR_REPORT_X,
     {},
     {}},
    {DocumentKind::kReportCashiers,
     "report-cashiers",
     "cashiers report",
     "CRReport",
     kReportRunMs,
     0,
     false,
     CR_REPORT_CASHIERS,
     {},
     {}},
    {DocumentKind::kReportSections,
     "report-sections",
     "sections report",
     "CRReport",
     kReportRunMs,
     0,
     false,
     CR_REPORT_SECTIONS,
     {},
     {}},
    {DocumentKind::kReportHourly,
     "report-hourly",
     "hourly report",
     "CRReport",
     kReportRunMs,
     0,
     false,
     CR_REPORT_HOURLY,
     {},
     {}},
    {DocumentKind::kReportGoods,
     "report-goods",
     "goods report",
     "CRReport",
     kReportRunMs,
     0,
     false,
     CR_REPORT_GOODS,
     {},
     {}},
    {DocumentKind::kShiftClose,
     "shift-close",
     "shift close",
     "CRCloseSwitch",
     kReportRunMs,
     0,
     false,
     0,
     {},
     {}},
};

// Whether `x` is a number of at most `decimals` decimals, as the library
// keeps it: its nearest such number is itself.
bool KeepsDecimals(double x, int decimals) {
  if (std::fabs(x) >= 1e15) return true;  // past every range, and whole in a double
  const double scale = std::pow(10.0, decimals);
  return std::round(x * scale) / scale == x;
}

// Converts without replacement: nothing when a character has no form in `to`.
std::optional<std::string> Strict(const char* to, const char* from, std::string_view in,
                                  std::string* bad) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no code page conversion");
  std::vector<char> out(in.size() * 4 + 4);
  char* ip = const_cast<char*>(in.data());
  size_t il = in.size();
  char* op = out.data();
  size_t ol = out.size();
  const bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) &&
                  iconv(cd, nullptr, nullptr, &op, &ol) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok) {
    // The character that failed: one UTF-8 sequence, or one byte.
    size_t n = 1;
    if (std::string_view(from) == "UTF-8") {
      while (n < il && (static_cast<unsigned char>(ip[n]) & 0xC0) == 0x80) ++n;
    }
    *bad = std::string(ip, std::min(n, il));
    return std::nullopt;
  }
  return std::string(out.data(), out.size() - ol);
}

}  // namespace

std::string NumberText(double x) {
  if (std::isfinite(x) && x == std::trunc(x) && std::fabs(x) < 1e15)
    return std::to_string(static_cast<long long>(x));
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, x).ptr;
  return std::string(text, end);
}

std::span<const DocumentRule> Documents() { return kDocuments; }

const DocumentRule& Document(DocumentKind id) {
  for (const DocumentRule& d : kDocuments) {
    if (d.id == id) return d;
  }
  throw std::logic_error("a document kind without a rule");
}

const DocumentRule* FindDocument(std::string_view kind) {
  for (const DocumentRule& d : kDocuments) {
    if (d.kind == kind) return &d;
  }
  return nullptr;
}

const NumberRule& Number(DocumentKind id, std::string_view field, std::string_view when) {
  for (const NumberRule& n : Document(id).numbers) {
    if (n.field == field && n.when == when) return n;
  }
  throw std::logic_error("a document without the field " + std::string(field));
}

const TextRule& Text(DocumentKind id, std::string_view field) {
  for (const TextRule& t : Document(id).texts) {
    if (t.field == field) return t;
  }
  throw std::logic_error("a document without the text " + std::string(field));
}

uint32_t RunTimeoutMs(const DocumentRule& document, size_t lines) {
  return document.runTimeoutMs + document.runTimeoutPerLineMs * static_cast<uint32_t>(lines);
}

std::string RangeText(const NumberRule& rule) {
  return NumberText(rule.low) + " to " + NumberText(rule.high) +
         (rule.decimals == 0 ? ", a whole number"
                             : ", at most " + std::to_string(rule.decimals) + " decimals");
}

std::optional<std::string> CheckNumber(const NumberRule& rule, double value) {
  std::string fault;
  if (!std::isfinite(value)) {
    fault = "is not a number";
  } else if (!KeepsDecimals(value, rule.decimals)) {
    fault = rule.decimals == 0 ? "is not a whole number"
                               : "has more than " + std::to_string(rule.decimals) + " decimals";
  } else if (value < rule.low || value > rule.high) {
    fault = "is out of range";
  } else {
    return std::nullopt;
  }
  return std::string(rule.field) + " " + NumberText(value) + " " + fault +
         " (allowed: " + RangeText(rule) + ")";
}

std::optional<std::string> CheckText(const TextRule& rule, std::string_view utf8) {
  const std::string quoted = std::string(rule.field) + " \"" + std::string(utf8) + "\"";
  if (rule.digits) {
    for (char c : utf8) {
      if (c < '0' || c > '9')
        return quoted + " is not " + std::to_string(rule.maxBytes) + " digits";
    }
    if (!utf8.empty() && utf8.size() != rule.maxBytes)
      return quoted + " is not " + std::to_string(rule.maxBytes) + " digits";
    return std::nullopt;
  }
  if (utf8.find('\0') != std::string_view::npos) return quoted + " holds a NUL character";
  std::string bad;
  // The library takes code page 1251 and the register prints code page 866:
  // a character must have a form in both.
  const std::optional<std::string> ansi = Strict("CP1251", "UTF-8", utf8, &bad);
  if (ansi && Strict("CP866", "CP1251", *ansi, &bad)) {
    if (ansi->size() > rule.maxBytes)
      return quoted + " is longer than " + std::to_string(rule.maxBytes) + " characters";
    return std::nullopt;
  }
  if (!ansi) return quoted + " holds \"" + bad + "\", which the register cannot print";
  // `bad` is a code page 1251 byte: show it as the user wrote it.
  std::string shown = bad;
  if (std::optional<std::string> u = Strict("UTF-8", "CP1251", bad, &shown)) shown = *u;
  return quoted + " holds \"" + shown + "\", which the register cannot print";
}

std::optional<std::string> CheckLineSum(double quantity, double price, double raisePercent,
                                        double discountPercent) {
  // The register's own arithmetic, step by step.
  const double amount = quantity * price;
  const double sum = amount + (raisePercent - discountPercent) * amount * 0.01;
  if (amount <= kMaxLineSum && sum <= kMaxLineSum) return std::nullopt;
  return "the line's sum (quantity x price, with its raise and discount) " + NumberText(sum) +
         " is above " + NumberText(kMaxLineSum);
}

std::optional<std::string> CheckPrintable(std::string_view field, std::string_view utf8) {
  return CheckText(TextRule{field, std::string_view::npos}, utf8);
}

}  // namespace varnolo::rules
