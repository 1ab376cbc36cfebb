#include "document_requests.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "ansi_text.h"
#include "document_verdict.h"
#include "sale_check.h"
#include "varnolo.h"

namespace varnolo::service {
namespace {

using nlohmann::json;

constexpr double kMaxAmount = 99999.99;

bool OnlyKeys(const json& body, std::initializer_list<std::string_view> keys, std::string& error) {
  if (!body.is_object()) return error = "the body must be a JSON object", false;
  for (const auto& [key, value] : body.items()) {
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
      std::string known;
      for (std::string_view k : keys) known += (known.empty() ? "" : ", ") + std::string(k);
      error = "unknown key \"" + key + "\"" + (known.empty() ? "" : " (known: " + known + ")");
      return false;
    }
  }
  return true;
}

// A sum of money: a number, not negative, at most 99,999.99, in whole kopecks.
bool Amount(const json& body, const char* key, double& out, std::string& error) {
  const auto it = body.find(key);
  if (it == body.end()) return error = std::string("\"") + key + "\" is missing", false;
  if (!it->is_number()) return error = std::string("\"") + key + "\" must be a number", false;
  const double v = it->get<double>();
  if (!std::isfinite(v) || v < 0 || v > kMaxAmount)
    return error = std::string("\"") + key + "\" must be from 0 to 99999.99", false;
  if (std::fabs(v * 100 - std::round(v * 100)) > 1e-6)
    return error = std::string("\"") + key + "\" has more than two decimals", false;
  out = v;
  return true;
}

bool Section(const json& body, uint32_t& out, std::string& error) {
  const auto it = body.find("section");
  if (it == body.end()) return error = "\"section\" is missing", false;
  if (!it->is_number_integer() || it->get<int64_t>() < 1 || it->get<int64_t>() > 16)
    return error = "\"section\" must be a whole number from 1 to 16", false;
  out = it->get<uint32_t>();
  return true;
}

using Parser = bool (*)(const json&, DocumentRequest&, std::string&);

bool Receipt(const json& body, DocumentRequest& d, std::string& error) {
  client::SaleCheck check;
  if (!client::ParseSaleCheck(body, check, error)) return false;
  d.runTimeoutMs = client::SaleCheckRunTimeoutMs(check);
  d.run = [check] { return client::CreateSaleCheck(check); };
  return true;
}

// Cash in and cash out: one sum.
template <auto kCall>
bool OneSum(const json& body, DocumentRequest& d, std::string& error) {
  double amount = 0;
  if (!OnlyKeys(body, {"amount"}, error) || !Amount(body, "amount", amount, error)) return false;
  d.runTimeoutMs = client::kCashCheckRunMs;
  d.run = [amount] { return kCall(amount); };
  return true;
}

// Pack and money back: a section and a sum.
template <auto kCall>
bool SectionSum(const json& body, DocumentRequest& d, std::string& error) {
  double amount = 0;
  uint32_t section = 0;
  if (!OnlyKeys(body, {"section", "amount"}, error) || !Section(body, section, error) ||
      !Amount(body, "amount", amount, error))
    return false;
  d.runTimeoutMs = client::kPackCheckRunMs;
  d.run = [section, amount] { return kCall(section, amount); };
  return true;
}

bool Decorated(const json& body, DocumentRequest& d, std::string& error) {
  double amount = 0;
  if (!OnlyKeys(body, {"amount", "text"}, error) || !Amount(body, "amount", amount, error))
    return false;
  const auto text = body.find("text");
  if (text == body.end() || !text->is_string()) return error = "\"text\" must be a string", false;
  const std::string ansi = client::ToAnsi(text->get<std::string>());
  if (ansi.size() > sizeof(DecoratedCheck{}.text) - 1)
    return error = "\"text\" is longer than 255 bytes in the register's code page", false;
  d.runTimeoutMs = client::kDecoratedCheckRunMs;
  d.run = [amount, ansi] {
    DecoratedCheck check{};
    check.amount = amount;
    std::memcpy(check.text, ansi.data(), ansi.size());
    return CRCreateDecoratedCheck(&check);
  };
  return true;
}

bool Annul(const json& body, DocumentRequest& d, std::string& error) {
  if (!body.is_null() && !OnlyKeys(body, {}, error)) return false;
  d.runTimeoutMs = client::kAnnulmentRunMs;
  d.run = [] { return CRAnnulCheck(); };
  return true;
}

template <int32_t kKind>
bool Report(const json& body, DocumentRequest& d, std::string& error) {
  if (!body.is_null() && !OnlyKeys(body, {}, error)) return false;
  d.judgedByTape = false;
  d.run = [] { return CRReport(kKind); };
  return true;
}

bool ShiftClose(const json& body, DocumentRequest& d, std::string& error) {
  if (!body.is_null() && !OnlyKeys(body, {}, error)) return false;
  d.judgedByTape = false;
  d.run = [] { return CRCloseSwitch(); };
  return true;
}

struct Route {
  const char* path;
  const char* kind;
  Parser parse;
};

// CRReport's kinds: 1 cashiers, 2 sections, 3 hourly, 4 goods, 5 X.
constexpr Route kRoutes[] = {
    {"receipts", "receipt", Receipt},
    {"cash-in", "cash-in", OneSum<&CRCreateInputCheck>},
    {"cash-out", "cash-out", OneSum<&CRCreateTakeoffCheck>},
    {"pack", "pack", SectionSum<&CRCreatePackCheck>},
    {"money-back", "money-back", SectionSum<&CRCreateMoneyBackCheck>},
    {"decorated", "decorated", Decorated},
    {"annul", "annul", Annul},
    {"reports/x", "report-x", Report<5>},
    {"reports/cashiers", "report-cashiers", Report<1>},
    {"reports/sections", "report-sections", Report<2>},
    {"reports/hourly", "report-hourly", Report<3>},
    {"reports/goods", "report-goods", Report<4>},
    {"shift/close", "shift-close", ShiftClose},
};

}  // namespace

const std::vector<std::string>& DocumentPaths() {
  static const std::vector<std::string> paths = [] {
    std::vector<std::string> p;
    for (const Route& r : kRoutes) p.emplace_back(r.path);
    return p;
  }();
  return paths;
}

bool ParseDocumentRequest(const std::string& path, const json& body, DocumentRequest& out,
                          std::string& error) {
  for (const Route& r : kRoutes) {
    if (path != r.path) continue;
    out = DocumentRequest{};
    out.kind = r.kind;
    return r.parse(body, out, error);
  }
  error = "no such document: " + path;
  return false;
}

}  // namespace varnolo::service
