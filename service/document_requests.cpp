#include "document_requests.h"

#include <algorithm>
#include <cstring>

#include "ansi_text.h"
#include "sale_check.h"
#include "varnolo.h"

namespace varnolo::service {
namespace {

using nlohmann::json;
using rules::DocumentKind;

// A document's arguments as read, in the order of its rule's fields.
struct Arguments {
  std::vector<double> numbers;
  std::vector<std::string> texts;  // UTF-8
};

bool OnlyKeys(const json& body, const rules::DocumentRule& rule, std::string& error) {
  if (body.is_null() && rule.numbers.empty() && rule.texts.empty()) return true;
  if (!body.is_object()) return error = "the body must be a JSON object", false;
  std::vector<std::string> known;
  for (const rules::NumberRule& n : rule.numbers) known.emplace_back(n.field);
  for (const rules::TextRule& t : rule.texts) known.emplace_back(t.field);
  for (const auto& item : body.items()) {
    if (std::find(known.begin(), known.end(), item.key()) != known.end()) continue;
    std::string list;
    for (const std::string& k : known) list += (list.empty() ? "" : ", ") + k;
    error = "unknown key \"" + item.key() + "\"" + (list.empty() ? "" : " (known: " + list + ")");
    return false;
  }
  return true;
}

bool ReadArguments(const json& body, const rules::DocumentRule& rule, Arguments& args,
                   std::string& error) {
  if (!OnlyKeys(body, rule, error)) return false;
  for (const rules::NumberRule& n : rule.numbers) {
    const std::string key(n.field);
    const auto it = body.find(key);
    if (it == body.end()) return error = "\"" + key + "\" is missing", false;
    if (!it->is_number()) return error = "\"" + key + "\" must be a number", false;
    const double value = it->get<double>();
    if (std::optional<std::string> fault = rules::CheckNumber(n, value))
      return error = *fault, false;
    args.numbers.push_back(value);
  }
  for (const rules::TextRule& t : rule.texts) {
    const std::string key(t.field);
    const auto it = body.find(key);
    if (it == body.end() || !it->is_string())
      return error = "\"" + key + "\" must be a string", false;
    const std::string text = it->get<std::string>();
    if (std::optional<std::string> fault = rules::CheckText(t, text)) return error = *fault, false;
    args.texts.push_back(text);
  }
  return true;
}

using Call = std::function<int32_t()> (*)(const Arguments&);

template <auto kCall>
std::function<int32_t()> OneSum(const Arguments& a) {
  return [amount = a.numbers[0]] { return kCall(amount); };
}

template <auto kCall>
std::function<int32_t()> SectionSum(const Arguments& a) {
  return [section = static_cast<uint32_t>(a.numbers[0]), amount = a.numbers[1]] {
    return kCall(section, amount);
  };
}

std::function<int32_t()> Decorated(const Arguments& a) {
  return [amount = a.numbers[0], ansi = client::ToAnsi(a.texts[0])] {
    DecoratedCheck check{};
    check.amount = amount;
    std::memcpy(check.text, ansi.data(), std::min(ansi.size(), sizeof check.text - 1));
    return CRCreateDecoratedCheck(&check);
  };
}

std::function<int32_t()> Annul(const Arguments&) {
  return [] { return CRAnnulCheck(); };
}
std::function<int32_t()> ShiftClose(const Arguments&) {
  return [] { return CRCloseSwitch(); };
}

struct Route {
  const char* path;
  DocumentKind id;
  Call call;  // null: a report, run as CRReport of the rule's kind
};

constexpr Route kRoutes[] = {
    {"receipts", DocumentKind::kSaleCheck, nullptr},
    {"cash-in", DocumentKind::kCashIn, OneSum<&CRCreateInputCheck>},
    {"cash-out", DocumentKind::kCashOut, OneSum<&CRCreateTakeoffCheck>},
    {"pack", DocumentKind::kPack, SectionSum<&CRCreatePackCheck>},
    {"money-back", DocumentKind::kMoneyBack, SectionSum<&CRCreateMoneyBackCheck>},
    {"decorated", DocumentKind::kDecoratedCheck, Decorated},
    {"annul", DocumentKind::kAnnul, Annul},
    {"reports/x", DocumentKind::kReportX, nullptr},
    {"reports/cashiers", DocumentKind::kReportCashiers, nullptr},
    {"reports/sections", DocumentKind::kReportSections, nullptr},
    {"reports/hourly", DocumentKind::kReportHourly, nullptr},
    {"reports/goods", DocumentKind::kReportGoods, nullptr},
    {"shift/close", DocumentKind::kShiftClose, ShiftClose},
};

bool Receipt(const json& body, DocumentRequest& d, std::string& error) {
  client::SaleCheck check;
  if (!client::ParseSaleCheck(body, check, error)) return false;
  d.runTimeoutMs = client::SaleCheckRunTimeoutMs(check);
  d.run = [check] { return client::CreateSaleCheck(check); };
  return true;
}

}  // namespace

const std::vector<DocumentPath>& DocumentPaths() {
  static const std::vector<DocumentPath> paths = [] {
    std::vector<DocumentPath> p;
    for (const Route& r : kRoutes) p.push_back({r.path, &rules::Document(r.id)});
    return p;
  }();
  return paths;
}

bool ParseDocumentRequest(const std::string& path, const json& body, DocumentRequest& out,
                          std::string& error) {
  for (const Route& r : kRoutes) {
    if (path != r.path) continue;
    const rules::DocumentRule& rule = rules::Document(r.id);
    out = DocumentRequest{};
    out.rule = &rule;
    out.runTimeoutMs = rules::RunTimeoutMs(rule);
    if (r.id == DocumentKind::kSaleCheck) return Receipt(body, out, error);
    Arguments args;
    if (!ReadArguments(body, rule, args, error)) return false;
    if (r.call != nullptr) {
      out.run = r.call(args);
    } else {
      out.run = [kind = rule.reportKind] { return CRReport(kind); };
    }
    return true;
  }
  error = "no such document: " + path;
  return false;
}

}  // namespace varnolo::service
