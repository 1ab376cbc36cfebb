// The simulated firmware behind the routine entry points: documents, the
// control tape, trade totals, drawer cash, shift, reports.
#include <algorithm>
#include <ctime>
#include <sstream>

#include "document.h"
#include "layout.h"
#include "register.h"
#include "session/capability_indices.h"
#include "totals.h"
#include "varnolo_labels.h"

namespace varnolo::sim {
namespace {

constexpr int64_t kShiftLimitSeconds = 24 * 3600;
constexpr size_t kPaperWidth = 36;

// The entry kinds this firmware writes to the control tape.
constexpr uint8_t kTapeSaleLine = 0;
constexpr uint8_t kTapeMoneyBack = 1;
constexpr uint8_t kTapeAnnulment = 2;
constexpr uint8_t kTapeCashIn = 3;
constexpr uint8_t kTapeCashOut = 4;
constexpr uint8_t kTapePack = 5;
constexpr uint8_t kTapeCheckTotal = 6;
constexpr uint8_t kTapeDecorated = 7;

// The last check of the shift, kept for annulment.
struct LastCheck {
  static constexpr size_t kSize = 12;
  bool valid = false;
  bool cash = false;
  uint64_t total = 0;
  uint8_t cashier = 1;
  uint8_t section = 1;
  uint32_t number = 0;
};

// Report lines name totals and counters as the varnolo tool does.
std::string TotalLabel(int k) { return std::string("  ") + VarnoloTotalLabel(k); }
std::string CounterLabel(int k) { return std::string("  ") + VarnoloCounterLabel(k); }

std::string Padded(const std::string& left, const std::string& right) {
  const size_t used = left.size() + right.size();
  return left + std::string(used < kPaperWidth ? kPaperWidth - used : 1, ' ') + right;
}

bool Near(uint64_t a, uint64_t b, uint64_t tolerance) {
  return (a > b ? a - b : b - a) <= tolerance;
}

uint8_t Bcd(int v) { return static_cast<uint8_t>((v / 10) % 10 * 16 + v % 10); }

}  // namespace

// ---- Bookkeeping helpers ---------------------------------------------------

void Register::Print(const std::string& line) {
  paper_ += line;
  paper_ += '\n';
  if (onPrint) onPrint(line);
}

void Register::PrintRule() { Print(std::string(kPaperWidth, '-')); }

std::string Register::DateTimeText() const {
  const time_t t = static_cast<time_t>(Now());
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d", tm.tm_mday, tm.tm_mon + 1,
                tm.tm_year + 1900, tm.tm_hour, tm.tm_min);
  return buf;
}

std::string Register::TextFieldAt(uint16_t address, size_t width) const {
  if (memory_.data[address] == 0xFF) return {};
  std::string s;
  for (size_t i = 0; i < width && memory_.data[address + i] != 0; ++i) {
    s += static_cast<char>(memory_.data[address + i]);
  }
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string Register::TextBlockAt(uint16_t address, size_t width) const {
  return TextFieldAt(address, width);
}

void Register::PrintHeaderText() {
  std::string header = TextBlockAt(at::kHeader, 95);
  std::string line;
  for (char c : header) {
    if (c == '\x01' || c == '\x02') {
      Print(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) Print(line);
}

void Register::PrintFooterText() {
  std::string footer = TextBlockAt(at::kFooter, 57);
  std::replace(footer.begin(), footer.end(), '\x01', ' ');
  std::replace(footer.begin(), footer.end(), '\x02', ' ');
  if (!footer.empty()) Print(footer);
}

bool Register::ShiftOpen() const { return memory_.data[at::kShiftByte] == at::kShiftOpenMark; }

bool Register::ShiftExpired() const {
  if (!ShiftOpen()) return false;
  const int64_t start =
      static_cast<int64_t>(GetBe(std::span(memory_.data).subspan(at::kShiftStart, 8)));
  return Now() - start > kShiftLimitSeconds;
}

void Register::OpenShiftIfClosed() {
  if (!ShiftOpen()) StampShiftStart(Now());
}

void Register::StampShiftStart(int64_t seconds) {
  auto data = std::span(memory_.data);
  if (!ShiftOpen()) {
    data[at::kShiftByte] = at::kShiftOpenMark;
    data[at::kTapeClosingState] = 2;  // the tape may not be closed during a shift
    const uint16_t shiftNumber =
        static_cast<uint16_t>(GetBe(data.subspan(at::kShiftNumber, 2)) + 1);
    PutBe(data.subspan(at::kShiftNumber, 2), shiftNumber);
  }
  PutBe(data.subspan(at::kShiftStart, 8), static_cast<uint64_t>(seconds));
  const time_t t = static_cast<time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  const int year = tm.tm_year + 1900;
  data[at::kTapeDate] = Bcd(tm.tm_mday);
  data[at::kTapeDate + 1] = Bcd(tm.tm_mon + 1);
  data[at::kTapeDate + 2] = Bcd(year / 100);
  data[at::kTapeDate + 3] = Bcd(year % 100);
  data[at::kTapeTime] = Bcd(tm.tm_hour);
  data[at::kTapeTime + 1] = Bcd(tm.tm_min);
}

bool Register::LongTapeForm() const {
  return memory_.data[at::kUseGoodsBase] == 1 || memory_.data[at::kExtendedChecks] == 1;
}

uint16_t Register::TapeCount() const {
  return static_cast<uint16_t>(
      GetBe(std::span(memory_.working).subspan(Address(cap::kTapeFillCounter), 2)));
}

bool Register::AppendTapeEntry(uint8_t kind, int section, uint64_t amount, uint16_t extra1,
                               uint16_t extra2, bool flag0, bool flag1) {
  const size_t length = LongTapeForm() ? 11 : 7;
  const uint16_t count = TapeCount();
  const size_t address = at::kTapeEntries + count * length;
  if (address + length > at::kDataEnd) return false;
  const time_t t = static_cast<time_t>(Now());
  std::tm tm{};
  gmtime_r(&t, &tm);
  const int cashier = CurrentCashier();
  const int s = std::clamp(section, 1, 16) - 1;
  std::array<uint8_t, 11> e{};
  e[0] = static_cast<uint8_t>((cashier - 1) << 5 | (kind & 7) << 2 | (flag1 ? 2 : 0) |
                              (flag0 ? 1 : 0));
  e[1] = static_cast<uint8_t>((s & 7) << 5 | tm.tm_hour);
  e[2] = static_cast<uint8_t>(tm.tm_min);  // group 0
  const size_t last = length - 1;
  const bool fiveByteAmount = (length == 7 && kind == kTapeCheckTotal) ||
                              (length == 11 && (kind == kTapeCashIn || kind == kTapeCashOut));
  if (length == 7 && kind == kTapeCheckTotal) {
    PutBe(std::span(e).subspan(1, 5), amount);  // the total takes the section and time bits
  } else if (fiveByteAmount) {
    PutBe(std::span(e).subspan(3, 5), amount);
  } else if (!(length == 7 && (kind == kTapeCashIn || kind == kTapeCashOut))) {
    PutBe(std::span(e).subspan(3, 3), std::min<uint64_t>(amount, 0xFFFFFF));
  }
  if (length == 11) {
    if (!fiveByteAmount) PutBe(std::span(e).subspan(6, 2), extra1);
    PutBe(std::span(e).subspan(8, 2), extra2);
  }
  e[last] = static_cast<uint8_t>(e[last] | ((s >> 3) & 1) << 6);
  std::copy_n(e.begin(), length, memory_.data.begin() + static_cast<std::ptrdiff_t>(address));
  PutBe(std::span(memory_.working).subspan(Address(cap::kTapeFillCounter), 2), count + 1u);
  return true;
}

namespace {
struct Block {
  int amountsIndex, countersIndex, columns;
};
constexpr Block kBlocks[3] = {{cap::kRegisterAmounts, cap::kRegisterCounters, 1},
                              {cap::kCashierAmounts, cap::kCashierCounters, 8},
                              {cap::kSectionAmounts, cap::kSectionCounters, 16}};
}  // namespace

uint64_t Register::Amount(int scope, int column, int k) const {
  const Block& b = kBlocks[scope];
  const size_t at = Address(b.amountsIndex) + static_cast<size_t>(5 * (k * b.columns + column));
  return GetBe(std::span(memory_.working).subspan(at, 5));
}

uint16_t Register::Counter(int scope, int column, int k) const {
  const Block& b = kBlocks[scope];
  const size_t at = Address(b.countersIndex) + static_cast<size_t>(2 * (k * b.columns + column));
  return static_cast<uint16_t>(GetBe(std::span(memory_.working).subspan(at, 2)));
}

void Register::AddAmount(int scope, int column, int k, int64_t delta) {
  const Block& b = kBlocks[scope];
  const size_t at = Address(b.amountsIndex) + static_cast<size_t>(5 * (k * b.columns + column));
  const int64_t v = static_cast<int64_t>(Amount(scope, column, k)) + delta;
  PutBe(std::span(memory_.working).subspan(at, 5), static_cast<uint64_t>(std::max<int64_t>(v, 0)));
}

void Register::AddCounter(int scope, int column, int k, int delta) {
  const Block& b = kBlocks[scope];
  const size_t at = Address(b.countersIndex) + static_cast<size_t>(2 * (k * b.columns + column));
  PutBe(std::span(memory_.working).subspan(at, 2),
        static_cast<uint16_t>(std::max(0, Counter(scope, column, k) + delta)));
}

uint64_t Register::DrawerCash() const {
  return GetBe(std::span(memory_.working).subspan(Address(cap::kDrawerCash), 5));
}

void Register::AddDrawerCash(int64_t delta) {
  const int64_t v = static_cast<int64_t>(DrawerCash()) + delta;
  PutBe(std::span(memory_.working).subspan(Address(cap::kDrawerCash), 5),
        static_cast<uint64_t>(std::max<int64_t>(v, 0)));
  auto cell = std::span(memory_.data).subspan(at::kCashierCash + 5 * (CurrentCashier() - 1), 5);
  PutBe(cell,
        static_cast<uint64_t>(std::max<int64_t>(static_cast<int64_t>(GetBe(cell)) + delta, 0)));
}

int Register::CurrentCashier() const {
  const int c = memory_.working[Address(cap::kCurrentCashier)];
  return c >= 1 && c <= 8 ? c : 1;
}

uint32_t Register::DocumentNumber() const {
  return static_cast<uint32_t>(GetBe(std::span(memory_.data).subspan(at::kDocumentNumber, 4)));
}

// ---- Routines ----------------------------------------------------------------

uint8_t Register::VerifyShift() {
  routineResult_ = {static_cast<uint8_t>(ShiftExpired() ? 0 : 1), 0, 0, 0};
  return 0;
}

uint8_t Register::ResetDocument() {
  annulmentPrepared_ = false;
  return 0;
}

uint8_t Register::RunDocument(const std::vector<uint8_t>* textBlock) {
  if (ShiftExpired()) return status::kShiftExpired;
  const uint16_t printFlag = Address(cap::kPrintPermission);
  if (printFlag < memory_.flags.size() && memory_.flags[printFlag] != 0)
    return status::kPrintingLocked;

  const auto working = std::span<const uint8_t>(memory_.working);
  const TotalsRecord t = TotalsRecord::Parse(working.subspan<at::kTotalsRecord, 63>());
  if (t.binaryTotal != t.total || t.lines < 1 || t.lines > 20) return status::kDocumentInconsistent;

  std::vector<LineRecord> lines;
  const bool hasLines = t.documentKind != doc::kCashIn && t.documentKind != doc::kCashOut;
  if (hasLines) {
    for (int i = 0; i < t.lines; ++i) {
      lines.push_back(
          LineRecord::Parse(working.subspan(static_cast<size_t>(102 * i)).first<102>()));
    }
  }
  const int sections = memory_.data[at::kSectionCount] + 1;
  const bool sale = t.documentKind == doc::kSaleCash || t.documentKind == doc::kSaleNonCash;
  const bool decorated = t.decorated;
  if (decorated && (textBlock == nullptr || t.lines != 1 || lines[0].roundedLineSum != t.total)) {
    return status::kDocumentInconsistent;
  }
  if (!decorated && textBlock != nullptr) return status::kDocumentInconsistent;

  uint64_t sum = 0;
  uint64_t taxSum = 0;
  for (const LineRecord& l : lines) {
    if (l.section < 1 || l.section > std::min(sections, 16) || l.taxNumber > 3) {
      return status::kDocumentInconsistent;
    }
    if (sale && !decorated) {
      if (!Near(l.lineSum, l.roundedLineSum, 1) ||
          !Near(l.sumWithTax, uint64_t{l.roundedLineSum} + l.roundedTax, 1) ||
          (l.taxNumber == 0 && l.roundedTax != 0)) {
        return status::kDocumentInconsistent;
      }
    }
    sum += l.roundedLineSum + uint64_t{l.roundedTax};
    taxSum += l.roundedTax;
  }
  const uint64_t tolerance = static_cast<uint64_t>(t.lines);
  if (sale && !decorated) {
    if (!Near(sum, t.total, tolerance) || !Near(taxSum, t.taxTotal, tolerance)) {
      return status::kDocumentInconsistent;
    }
    if (t.documentKind == doc::kSaleCash && !t.noPaidAmount &&
        (t.paid < t.total || !Near(t.paid - t.total, t.change, 1))) {
      return status::kDocumentInconsistent;
    }
  }
  if ((t.documentKind == doc::kPack || t.documentKind == doc::kMoneyBack) &&
      (lines.size() != 1 || lines[0].roundedLineSum != t.total)) {
    return status::kDocumentInconsistent;
  }
  const bool paysOut = t.documentKind == doc::kCashOut || t.documentKind == doc::kPack ||
                       t.documentKind == doc::kMoneyBack;
  if (paysOut && DrawerCash() < t.total) return status::kNotEnoughCash;
  if (!ShiftOpen() && paysOut) return status::kNoShift;

  const size_t entries = hasLines && sale ? lines.size() + 1 : 1;
  const size_t length = LongTapeForm() ? 11 : 7;
  if (at::kTapeEntries + (TapeCount() + entries) * length > at::kDataEnd) return status::kTapeFull;

  // The document is accepted: print it, register it.
  OpenShiftIfClosed();
  const uint32_t number = DocumentNumber() + 1;
  PutBe(std::span(memory_.data).subspan(at::kDocumentNumber, 4), number);
  const int cashier = CurrentCashier();
  const int c = cashier - 1;
  using namespace totals;

  PrintHeaderText();
  PrintRule();
  const char* title = decorated                           ? "CHECK"
                      : t.documentKind == doc::kCashIn    ? "CASH IN"
                      : t.documentKind == doc::kCashOut   ? "CASH OUT"
                      : t.documentKind == doc::kPack      ? "PACK"
                      : t.documentKind == doc::kMoneyBack ? "MONEY BACK"
                                                          : "SALE";
  Print(Padded(title, "No " + std::to_string(number)));

  if (decorated) {
    std::string text(textBlock->begin(), textBlock->end());
    text = text.substr(0, text.find('\0'));
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) Print(line);
    PrintRule();
    Print(Padded("TOTAL", Money(t.total)));
    AppendTapeEntry(kTapeDecorated, 1, t.total, 0, 0, false, false);
    AppendTapeEntry(kTapeCheckTotal, 1, t.total, 0, 0, false, false);
    for (int scope : {kRegister, kCashier}) {
      const int col = scope == kCashier ? c : 0;
      AddAmount(scope, col, kDecorated, static_cast<int64_t>(t.total));
      AddCounter(scope, col, kDecoratedChecks, 1);
    }
    AddAmount(kSection, 0, kDecorated, static_cast<int64_t>(t.total));
    AddDrawerCash(static_cast<int64_t>(t.total));
  } else if (sale) {
    const bool cash = t.documentKind == doc::kSaleCash;
    for (const LineRecord& l : lines) {
      std::string name = l.name;
      while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
      if (name.empty()) {
        name = TextFieldAt(static_cast<uint16_t>(at::kSectionNames + 32 * l.section), 15);
        if (name.empty()) name = "Section " + std::to_string(l.section);
      }
      Print(name);
      const std::string quantity =
          l.quantityFlag ? (l.weighed || l.kind == 0
                                ? std::to_string(l.quantityDigits / 1000) + "." +
                                      std::to_string(l.quantityDigits % 1000 + 1000).substr(1)
                                : std::to_string(l.quantity))
                         : "1";
      Print(Padded("  " + quantity + " x " + Money(l.price), Money('=', l.amount)));
      if (l.raise)
        Print(Padded("  raise " + Money(l.raisePercent) + "%", Money('+', l.adjustment)));
      if (l.discount) {
        Print(Padded("  discount " + Money(l.discountPercent) + "%", Money('-', l.adjustment)));
      }
      if (l.taxNumber != 0) {
        std::string taxName =
            TextFieldAt(static_cast<uint16_t>(at::kTaxNames + 22 * l.taxNumber), 10);
        if (taxName.empty()) taxName = "Tax " + std::to_string(l.taxNumber);
        Print(Padded("  " + taxName, Money(uint64_t{l.roundedTax})));
      }
      const uint64_t lineTotal = uint64_t{l.roundedLineSum} + l.roundedTax;
      AppendTapeEntry(kTapeSaleLine, l.section, lineTotal, l.goodsNumber, l.quantity, !cash, false);
      const int64_t adjustment = static_cast<int64_t>(l.adjustment);
      const bool raised = l.raisePercent > l.discountPercent;
      for (int scope : {kRegister, kCashier, kSection}) {
        const int col = scope == kCashier ? c : scope == kSection ? l.section - 1 : 0;
        AddAmount(scope, col, kSales, static_cast<int64_t>(lineTotal));
        AddAmount(scope, col, cash ? kCashSales : kNonCashSales, static_cast<int64_t>(lineTotal));
        AddAmount(scope, col, kTax, l.roundedTax);
        AddAmount(scope, col, kNetSales, l.roundedLineSum);
        if (adjustment != 0) AddAmount(scope, col, raised ? kRaises : kDiscounts, adjustment);
        if (l.kind == 1) AddAmount(scope, col, kGoodsBaseSales, static_cast<int64_t>(lineTotal));
        AddCounter(scope, col, kLines, 1);
      }
    }
    PrintRule();
    Print(Padded("TOTAL", Money(t.total)));
    if (t.taxTotal != 0) Print(Padded("  incl. tax", Money(t.taxTotal)));
    if (cash) {
      if (!t.noPaidAmount) {
        Print(Padded("CASH", Money(t.paid)));
        Print(Padded("CHANGE", Money(t.change)));
      } else {
        Print(Padded("CASH", Money(t.total)));
      }
      AddDrawerCash(static_cast<int64_t>(t.total));
    } else {
      Print(Padded("NON-CASH", Money(t.total)));
    }
    AppendTapeEntry(kTapeCheckTotal, lines[0].section, t.total, 0,
                    static_cast<uint16_t>(lines.size()), !cash, !t.noPaidAmount);
    for (int scope : {kRegister, kCashier})
      AddCounter(scope, scope == kCashier ? c : 0, kChecks, 1);
    LastCheck last{
        true,  cash, t.total, static_cast<uint8_t>(cashier), static_cast<uint8_t>(lines[0].section),
        number};
    auto cell = std::span(memory_.data).subspan(at::kLastCheck, LastCheck::kSize);
    cell[0] = 1;
    cell[1] = last.cash ? 1 : 0;
    PutBe(cell.subspan(2, 5), last.total);
    cell[7] = last.cashier;
    cell[8] = last.section;
    PutBe(cell.subspan(9, 3), last.number);
  } else {
    const int section = hasLines ? lines[0].section : 1;
    int amountK = kCashIn;
    int counterK = kCashInDocuments;
    uint8_t tapeKind = kTapeCashIn;
    int64_t drawer = static_cast<int64_t>(t.total);
    if (t.documentKind == doc::kCashOut) {
      amountK = kCashOut, counterK = kCashOutDocuments, tapeKind = kTapeCashOut, drawer = -drawer;
    } else if (t.documentKind == doc::kPack) {
      amountK = kPacks, counterK = kPackDocuments, tapeKind = kTapePack, drawer = -drawer;
    } else if (t.documentKind == doc::kMoneyBack) {
      amountK = kMoneyBack, counterK = kMoneyBackDocuments, tapeKind = kTapeMoneyBack,
      drawer = -drawer;
    }
    if (hasLines) {
      std::string name = TextFieldAt(static_cast<uint16_t>(at::kSectionNames + 32 * section), 15);
      Print(name.empty() ? "Section " + std::to_string(section) : name);
    }
    Print(Padded("AMOUNT", Money(t.total)));
    AppendTapeEntry(tapeKind, section, t.total, 0, 0, false, false);
    for (int scope : {kRegister, kCashier}) {
      const int col = scope == kCashier ? c : 0;
      AddAmount(scope, col, amountK, static_cast<int64_t>(t.total));
      AddCounter(scope, col, counterK, 1);
    }
    if (hasLines) {
      AddAmount(kSection, section - 1, amountK, static_cast<int64_t>(t.total));
      AddCounter(kSection, section - 1, counterK, 1);
    }
    AddDrawerCash(drawer);
  }
  std::string cashierName =
      TextFieldAt(static_cast<uint16_t>(at::kCashierNames + 32 * cashier), 15);
  Print("Cashier " + std::to_string(cashier) + (cashierName.empty() ? "" : " " + cashierName));
  Print(DateTimeText());
  PrintFooterText();
  Print(std::string(kPaperWidth, '='));
  return 0;
}

uint8_t Register::PrepareAnnulment() {
  const bool annulable = ShiftOpen() && memory_.data[at::kLastCheck] == 1;
  routineResult_ = {static_cast<uint8_t>(annulable ? 1 : 0), 0, 0, 0};
  annulmentPrepared_ = annulable;
  return 0;
}

uint8_t Register::RunAnnulment() {
  annulmentPrepared_ = false;
  if (ShiftExpired()) return status::kShiftExpired;
  auto cell = std::span(memory_.data).subspan(at::kLastCheck, LastCheck::kSize);
  if (cell[0] != 1) return status::kDocumentInconsistent;
  const bool cash = cell[1] == 1;
  const uint64_t total = GetBe(cell.subspan(2, 5));
  const int cashier = cell[7];
  const uint32_t annulled = static_cast<uint32_t>(GetBe(cell.subspan(9, 3)));
  if (!AppendTapeEntry(kTapeAnnulment, cell[8], total, 0, 0, !cash, false))
    return status::kTapeFull;
  using namespace totals;
  for (int scope : {kRegister, kCashier}) {
    const int col = scope == kCashier ? cashier - 1 : 0;
    AddAmount(scope, col, kAnnulled, static_cast<int64_t>(total));
    AddCounter(scope, col, kAnnulments, 1);
  }
  AddAmount(kSection, cell[8] - 1, kAnnulled, static_cast<int64_t>(total));
  AddCounter(kSection, cell[8] - 1, kAnnulments, 1);
  if (cash) AddDrawerCash(-static_cast<int64_t>(total));
  cell[0] = 0;
  const uint32_t number = DocumentNumber() + 1;
  PutBe(std::span(memory_.data).subspan(at::kDocumentNumber, 4), number);
  PrintHeaderText();
  PrintRule();
  Print(Padded("ANNULMENT", "No " + std::to_string(number)));
  Print(Padded("of check No " + std::to_string(annulled), Money(total)));
  Print(DateTimeText());
  Print(std::string(kPaperWidth, '='));
  return 0;
}

uint8_t Register::PrintReport(int kind, uint8_t mode) {
  static const char* const kTitles[] = {
      "", "CASHIERS REPORT", "SECTIONS REPORT", "HOURLY REPORT", "GOODS REPORT", "X REPORT"};
  using namespace totals;
  PrintRule();
  Print(Padded(kTitles[kind], mode == 0 ? "in shift" : "no shift"));
  Print(DateTimeText());
  auto amountLines = [&](int scope, int col) {
    Print(Padded(TotalLabel(kSales), Money(Amount(scope, col, kSales))));
    Print(Padded(TotalLabel(kTax), Money(Amount(scope, col, kTax))));
    if (scope != kSection) {
      Print(Padded(TotalLabel(kCashIn), Money(Amount(scope, col, kCashIn))));
      Print(Padded(TotalLabel(kCashOut), Money(Amount(scope, col, kCashOut))));
    }
    Print(Padded(TotalLabel(kAnnulled), Money(Amount(scope, col, kAnnulled))));
  };
  if (kind == 1) {
    for (int c = 0; c < 8; ++c) {
      if (Counter(kCashier, c, kChecks) == 0 && Amount(kCashier, c, kCashIn) == 0) continue;
      Print("Cashier " + std::to_string(c + 1));
      amountLines(kCashier, c);
    }
  } else if (kind == 2) {
    for (int s = 0; s < 16; ++s) {
      if (Counter(kSection, s, kLines) == 0) continue;
      Print("Section " + std::to_string(s + 1));
      amountLines(kSection, s);
    }
  } else {
    amountLines(kRegister, 0);
    Print(Padded(CounterLabel(kChecks), std::to_string(Counter(kRegister, 0, kChecks))));
    Print(Padded("DRAWER CASH", Money(DrawerCash())));
  }
  Print(std::string(kPaperWidth, '='));
  AddCounter(kRegister, 0, kReports, 1);
  return 0;
}

uint8_t Register::CloseShift() {
  if (!ShiftOpen()) return status::kNoShift;
  PrintRule();
  const uint16_t shift =
      static_cast<uint16_t>(GetBe(std::span(memory_.data).subspan(at::kShiftNumber, 2)));
  Print(Padded("Z REPORT", "shift " + std::to_string(shift)));
  Print(DateTimeText());
  using namespace totals;
  Print(Padded(TotalLabel(kSales), Money(Amount(kRegister, 0, kSales))));
  Print(Padded(TotalLabel(kTax), Money(Amount(kRegister, 0, kTax))));
  Print(Padded(CounterLabel(kChecks), std::to_string(Counter(kRegister, 0, kChecks))));
  Print(Padded("DRAWER CASH", Money(DrawerCash())));
  Print("SHIFT CLOSED");
  Print(std::string(kPaperWidth, '='));
  for (const Block& b : kBlocks) {
    const size_t amounts = Address(b.amountsIndex);
    const size_t counters = Address(b.countersIndex);
    const size_t rows = b.columns == 16 ? 14 : 18;
    const size_t counterRows = b.columns == 16 ? 7 : 11;
    std::fill_n(memory_.working.begin() + static_cast<std::ptrdiff_t>(amounts),
                rows * b.columns * 5, 0);
    std::fill_n(memory_.working.begin() + static_cast<std::ptrdiff_t>(counters),
                counterRows * b.columns * 2, 0);
  }
  memory_.data[at::kShiftByte] = 0;
  memory_.data[at::kTapeClosingState] = 0;
  memory_.data[at::kLastCheck] = 0;
  return 0;
}

uint8_t Register::CloseTape() {
  if (ShiftOpen()) return status::kShiftOpen;
  const uint16_t count = TapeCount();
  std::fill(memory_.data.begin() + at::kTapeEntries, memory_.data.end(), 0);
  PutBe(std::span(memory_.working).subspan(Address(cap::kTapeFillCounter), 2), 0);
  PrintRule();
  Print(Padded("CONTROL TAPE CLOSED", std::to_string(count) + " entries"));
  Print(DateTimeText());
  Print(std::string(kPaperWidth, '='));
  return 0;
}

uint8_t Register::OpenDrawer() {
  const uint16_t flag = Address(cap::kDrawerPermission);
  if (flag < memory_.flags.size() && memory_.flags[flag] != 0) return status::kDrawerLocked;
  Print("*** DRAWER OPENED ***");
  return 0;
}

uint8_t Register::DeviceTest() {
  PrintRule();
  Print("DEVICE TEST");
  Print(Padded("firmware", std::to_string(options_.firmware)));
  Print(Padded("register", std::to_string(options_.number)));
  Print(DateTimeText());
  Print("printer OK   memory OK   clock OK");
  Print(std::string(kPaperWidth, '='));
  return 0;
}

uint8_t Register::CashierCash(const std::vector<uint8_t>& p) {
  if (p.size() < 4) return status::kDocumentInconsistent;
  const uint16_t cellAddress = static_cast<uint16_t>(p[1] << 8 | p[2]);
  const int cashier = p[3] % 8;
  if (cellAddress + 5u > memory_.working.size()) return status::kOutOfBounds;
  const uint64_t cash = GetBe(std::span(memory_.data).subspan(at::kCashierCash + 5 * cashier, 5));
  PutBe(std::span(memory_.working).subspan(cellAddress, 5), cash);
  return 0;
}

}  // namespace varnolo::sim
