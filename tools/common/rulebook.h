// The rulebook: what every face of Varnolo (the tool, the service, the
// Python package, the bindings) accepts before it sends a document. For every
// document: its kind, the C function that prints it, how long the register may
// take to print it, whether the control tape judges it after a failure, and
// every argument with its range and decimals, exactly as the library carries
// them out. The library itself cuts extra decimals off and refuses values out
// of range with a bare 257 or 269; a face refuses both before anything is
// sent, with a message that names the field and the allowed range.
//
// The Python package reads the same table from rulebook.json, which
// `varnolo rules --json` writes from this one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace varnolo::rules {

// A number argument: [low, high] with at most `decimals` decimals (0: whole).
struct NumberRule {
  std::string_view field;  // the argument's name in every face: "amount", "price"
  double low;
  double high;
  int decimals;
  std::string_view meaning;    // "currency units", "percent", ...
  std::string_view when = {};  // "pieces": for a line or entry sold by whole pieces
};

// A text argument: at most `maxBytes` bytes in the register's code page, and
// only characters the register can print (code page 866). `digits`: exactly
// `maxBytes` decimal digits, or empty.
struct TextRule {
  std::string_view field;
  size_t maxBytes;
  bool digits = false;
};

// The rules of one sale-check line, and of the check itself.
inline constexpr NumberRule kLineQuantity{"quantity", 0, 65.535, 3, "weight or volume"};
inline constexpr NumberRule kLinePieces{"quantity", 0, 999, 0, "pieces", "pieces"};
inline constexpr NumberRule kLinePrice{"price", 0, 99999.99, 2, "currency units"};
inline constexpr NumberRule kLineRaise{"raise", 0, 999.99, 2, "percent"};
inline constexpr NumberRule kLineDiscount{"discount", 0, 99.99, 2, "percent"};
inline constexpr NumberRule kLineSection{"section", 1, 16, 0, "section number"};
inline constexpr NumberRule kLineTax{"tax", 0, 3, 0, "tax number (0: none)"};
inline constexpr TextRule kLineName{"name", 15};
inline constexpr TextRule kLineBarcode{"barcode", 13, true};
inline constexpr NumberRule kCheckPaid{"paid", 0, 99999999.99, 2, "currency units"};
inline constexpr size_t kMaxCheckLines = 20;
// The largest sum of one line (quantity x price) and of the one-amount
// documents the library prices like a line (269 above it).
inline constexpr double kMaxLineSum = 99999.99;

// A goods-base check sells entry `number` by weight or, when the entry says
// so, by whole pieces.
inline constexpr NumberRule kGoodsNumber{"number", 1, 1800, 0, "goods-base entry"};
inline constexpr NumberRule kGoodsQuantity{"quantity", 0, 65.535, 3, "weight or volume"};
inline constexpr NumberRule kGoodsPieces{"quantity", 1, 999, 0, "pieces", "pieces"};

enum class DocumentKind {
  kSaleCheck,
  kGoodsBaseCheck,
  kDecoratedCheck,
  kCashIn,
  kCashOut,
  kPack,
  kMoneyBack,
  kAnnul,
  kReportX,
  kReportCashiers,
  kReportSections,
  kReportHourly,
  kReportGoods,
  kShiftClose,
};

struct DocumentRule {
  DocumentKind id;
  std::string_view kind;         // "receipt", "cash-in", ...: the service's and the journal's name
  std::string_view title;        // "sale check": what people read
  std::string_view function;     // the C function that prints it
  uint32_t runTimeoutMs;         // how long the register may take to print it
  uint32_t runTimeoutPerLineMs;  // a sale check's run grows by this per line
  bool judgedByTape;             // after a failure the tape count tells whether it was registered
  int32_t reportKind;            // CRReport's kind; 0 for the other documents
  std::span<const NumberRule> numbers;  // the arguments, in the C function's order
  std::span<const TextRule> texts;
};

std::span<const DocumentRule> Documents();
const DocumentRule& Document(DocumentKind id);
// The document of a kind name ("cash-in", "report-x"), or null.
const DocumentRule* FindDocument(std::string_view kind);
// A document's number argument by field name; the program's own error when
// the document has no such field.
const NumberRule& Number(DocumentKind id, std::string_view field, std::string_view when = {});
const TextRule& Text(DocumentKind id, std::string_view field);

// The run timeout of a document with `lines` lines.
uint32_t RunTimeoutMs(const DocumentRule& document, size_t lines = 1);

// Nothing when `value` keeps to the rule; otherwise a message that names the
// field and the allowed range, the same in every face:
//   amount 10.999 has more than 2 decimals (allowed: 0 to 99999.99, at most 2 decimals)
std::optional<std::string> CheckNumber(const NumberRule& rule, double value);
// A text in UTF-8: every character in the register's code page, at most
// maxBytes bytes there.
std::optional<std::string> CheckText(const TextRule& rule, std::string_view utf8);

// A sale line's sum: quantity x price, with the raise added and the discount
// taken off, at most kMaxLineSum (the register adds a line's tax on top and
// refuses a sum above it with the tax too: that only it can tell).
std::optional<std::string> CheckLineSum(double quantity, double price, double raisePercent,
                                        double discountPercent);

// A number as the messages show it: whole numbers without a point, others
// in their shortest exact form.
std::string NumberText(double x);

// Any other text the register keeps (a header, a name, the display): only
// characters it can print, whatever its length.
std::optional<std::string> CheckPrintable(std::string_view field, std::string_view utf8);

// The range in words: "0 to 99999.99, at most 2 decimals" or "1 to 16, a whole number".
std::string RangeText(const NumberRule& rule);

}  // namespace varnolo::rules
