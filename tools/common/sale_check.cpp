#include "sale_check.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>

#include "ansi_text.h"
#include "rulebook.h"
#include "varnolo.h"

namespace varnolo::client {
namespace {

using nlohmann::json;

template <size_t N>
bool UnknownKey(const json& object, const std::string_view (&known)[N], const std::string& where,
                std::string& error) {
  for (const auto& item : object.items()) {
    if (std::find(std::begin(known), std::end(known), item.key()) == std::end(known)) {
      error = where + ": unknown key \"" + item.key() + "\"";
      return true;
    }
  }
  return false;
}

bool Number(const json& object, const char* key, double& out, const std::string& where,
            std::string& error) {
  if (!object.contains(key)) return true;
  if (!object[key].is_number()) {
    error = where + ": \"" + key + "\" must be a number";
    return false;
  }
  out = object[key].get<double>();
  return true;
}

// A whole number held to its rule first, so that 2 and 2.0 are the same
// section and 4294967297 is refused before it could be narrowed to 1.
bool Whole(const json& object, const rules::NumberRule& rule, uint32_t& out,
           const std::string& where, std::string& error) {
  const std::string key(rule.field);
  if (!object.contains(key)) return true;
  if (!object[key].is_number()) {
    error = where + ": \"" + key + "\" must be a number";
    return false;
  }
  const double value = object[key].get<double>();
  if (std::optional<std::string> fault = rules::CheckNumber(rule, value)) {
    error = where + ": " + *fault;
    return false;
  }
  out = static_cast<uint32_t>(value);
  return true;
}

bool Boolean(const json& object, const char* key, bool& out, const std::string& where,
             std::string& error) {
  if (!object.contains(key)) return true;
  if (!object[key].is_boolean()) {
    error = where + ": \"" + key + "\" must be true or false";
    return false;
  }
  out = object[key].get<bool>();
  return true;
}

bool Text(const json& object, const char* key, std::string& out, const std::string& where,
          std::string& error) {
  if (!object.contains(key)) return true;
  if (!object[key].is_string()) {
    error = where + ": \"" + key + "\" must be a string";
    return false;
  }
  out = object[key].get<std::string>();
  return true;
}

bool ParseLine(const json& l, const std::string& where, SaleLine& line, std::string& error) {
  if (!l.is_object()) {
    error = where + ": a line must be an object";
    return false;
  }
  if (UnknownKey(l, kLineKeys, where, error)) return false;
  if (!l.contains("price")) {
    error = where + ": \"price\" is missing";
    return false;
  }
  if (!Number(l, "quantity", line.quantity, where, error) ||
      !Number(l, "price", line.price, where, error) ||
      !Number(l, "discount", line.discountPercent, where, error) ||
      !Number(l, "raise", line.raisePercent, where, error) ||
      !Whole(l, rules::kLineSection, line.section, where, error) ||
      !Whole(l, rules::kLineTax, line.taxNumber, where, error) ||
      !Text(l, "name", line.name, where, error) ||
      !Text(l, "barcode", line.barcode, where, error) ||
      !Boolean(l, "pieces", line.pieces, where, error))
    return false;
  line.extended = l.contains("name") || l.contains("barcode") || l.contains("pieces");
  if (!CheckSaleLine(line, error)) {
    error = where + ": " + error;
    return false;
  }
  return true;
}

}  // namespace

bool CheckSaleLine(const SaleLine& line, std::string& error) {
  using namespace rules;
  const std::pair<const NumberRule&, double> numbers[] = {
      {line.pieces ? kLinePieces : kLineQuantity, line.quantity},
      {kLinePrice, line.price},
      {kLineRaise, line.raisePercent},
      {kLineDiscount, line.discountPercent},
      {kLineSection, static_cast<double>(line.section)},
      {kLineTax, static_cast<double>(line.taxNumber)},
  };
  for (const auto& [rule, value] : numbers) {
    if (std::optional<std::string> fault = CheckNumber(rule, value)) return error = *fault, false;
  }
  if (std::optional<std::string> fault =
          CheckLineSum(line.quantity, line.price, line.raisePercent, line.discountPercent))
    return error = *fault, false;
  for (const auto& [rule, text] :
       {std::pair<const TextRule&, const std::string&>{kLineName, line.name},
        {kLineBarcode, line.barcode}}) {
    if (std::optional<std::string> fault = CheckText(rule, text)) return error = *fault, false;
  }
  return true;
}

bool ParseSaleCheck(const json& j, SaleCheck& check, std::string& error) {
  if (!j.is_object()) {
    error = "the check must be a JSON object";
    return false;
  }
  if (UnknownKey(j, kCheckKeys, "the check", error)) return false;
  if (!j.contains("lines") || !j["lines"].is_array() || j["lines"].empty()) {
    error = "\"lines\" must be a list of 1 to " + std::to_string(kMaxLines) + " lines";
    return false;
  }
  if (j["lines"].size() > kMaxLines) {
    error = "a check has at most " + std::to_string(kMaxLines) + " lines";
    return false;
  }
  SaleCheck parsed;
  for (size_t i = 0; i < j["lines"].size(); ++i) {
    SaleLine line;
    if (!ParseLine(j["lines"][i], "line " + std::to_string(i + 1), line, error)) return false;
    parsed.lines.push_back(line);
  }
  if (j.contains("paid")) {
    if (!Number(j, "paid", parsed.paid, "the check", error)) return false;
    if (std::optional<std::string> fault = rules::CheckNumber(rules::kCheckPaid, parsed.paid)) {
      error = "the check: " + *fault;
      return false;
    }
    parsed.paidGiven = true;
  }
  if (!Boolean(j, "nonCash", parsed.nonCash, "the check", error)) return false;
  check = parsed;
  return true;
}

bool ParseSaleCheckFile(const std::string& path, SaleCheck& check, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  const json j = json::parse(in, nullptr, false);
  if (j.is_discarded()) {
    error = path + ": not valid JSON";
    return false;
  }
  if (!ParseSaleCheck(j, check, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

int32_t CreateSaleCheck(const SaleCheck& check) {
  const auto count = static_cast<uint32_t>(check.lines.size());
  const bool extended = std::any_of(check.lines.begin(), check.lines.end(),
                                    [](const SaleLine& l) { return l.extended; });
  if (!extended) {
    std::vector<CheckItem> items;
    for (const SaleLine& l : check.lines) {
      items.push_back(
          {l.quantity, l.price, l.raisePercent, l.discountPercent, l.section, l.taxNumber});
    }
    return CRCreateCheck(items.data(), count, check.paid, check.paidGiven, check.nonCash);
  }
  std::vector<CheckItemEx> items(check.lines.size());
  for (size_t i = 0; i < check.lines.size(); ++i) {
    const SaleLine& l = check.lines[i];
    CheckItemEx& e = items[i];
    e = CheckItemEx{};
    e.quantity = l.quantity;
    e.price = l.price;
    e.raisePercent = l.raisePercent;
    e.discountPercent = l.discountPercent;
    e.section = l.section;
    e.taxNumber = l.taxNumber;
    e.byPieces = l.pieces ? 1 : 0;
    std::string name = ToAnsi(l.name);
    name.resize(kMaxNameBytes, ' ');
    std::memcpy(e.name, name.data(), kMaxNameBytes);
    std::memcpy(e.barcode, l.barcode.data(),
                std::min(l.barcode.size(), rules::kLineBarcode.maxBytes));
  }
  return CRCreateCheckEx(items.data(), count, check.paid, check.paidGiven, check.nonCash);
}

uint32_t SaleCheckRunTimeoutMs(const SaleCheck& check) {
  return rules::RunTimeoutMs(rules::Document(rules::DocumentKind::kSaleCheck), check.lines.size());
}

}  // namespace varnolo::client
