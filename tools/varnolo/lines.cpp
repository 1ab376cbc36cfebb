#include "lines.h"

#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "text.h"
#include "varnolo.h"

namespace varnolo::cli {
namespace {

bool ToDouble(const std::string& s, double& out) {
  std::istringstream in(s);
  in.imbue(std::locale::classic());
  in >> out;
  return !in.fail() && in.eof();
}

bool ToUnsigned(const std::string& s, uint32_t& out) {
  double d = 0;
  if (!ToDouble(s, d) || d < 0 || d > 4e9 || d != static_cast<double>(static_cast<uint32_t>(d)))
    return false;
  out = static_cast<uint32_t>(d);
  return true;
}

}  // namespace

bool ParseLines(const std::vector<std::string>& args, SaleCheck& check, std::string& error) {
  if (args.empty()) {
    error = "give the lines as QTY*PRICE[,section=N][,tax=N]..., or --file";
    return false;
  }
  for (const std::string& arg : args) {
    SaleLine line;
    std::vector<std::string> parts;
    std::stringstream in(arg);
    for (std::string p; std::getline(in, p, ',');) parts.push_back(p);
    const std::string& head = parts.empty() ? arg : parts[0];
    const size_t star = head.find('*');
    if (star == std::string::npos || !ToDouble(head.substr(0, star), line.quantity) ||
        !ToDouble(head.substr(star + 1), line.price)) {
      error = "'" + arg + "' does not start with QTY*PRICE";
      return false;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
      const std::string& p = parts[i];
      const size_t eq = p.find('=');
      const std::string key = p.substr(0, eq);
      const std::string value = eq == std::string::npos ? "" : p.substr(eq + 1);
      bool ok = true;
      if (key == "section")
        ok = ToUnsigned(value, line.section);
      else if (key == "tax")
        ok = ToUnsigned(value, line.taxNumber);
      else if (key == "discount")
        ok = ToDouble(value, line.discountPercent);
      else if (key == "raise")
        ok = ToDouble(value, line.raisePercent);
      else if (key == "name")
        line.name = value, line.extended = true;
      else if (key == "barcode")
        line.barcode = value, line.extended = true;
      else if (key == "pieces" && eq == std::string::npos)
        line.pieces = true, line.extended = true;
      else
        ok = false;
      if (!ok) {
        error = "'" + p + "' in '" + arg + "' is not understood";
        return false;
      }
    }
    check.lines.push_back(line);
  }
  return true;
}

bool ParseCheckFile(const std::string& path, SaleCheck& check, std::string& error) {
  try {
    std::ifstream in(path);
    const nlohmann::json j = nlohmann::json::parse(in);
    for (const auto& l : j.at("lines")) {
      SaleLine line;
      line.quantity = l.value("quantity", 1.0);
      line.price = l.at("price").get<double>();
      line.section = l.value("section", 1u);
      line.taxNumber = l.value("tax", 0u);
      line.discountPercent = l.value("discount", 0.0);
      line.raisePercent = l.value("raise", 0.0);
      line.name = l.value("name", std::string());
      line.barcode = l.value("barcode", std::string());
      line.pieces = l.value("pieces", false);
      line.extended = l.contains("name") || l.contains("barcode") || l.contains("pieces");
      check.lines.push_back(line);
    }
    if (j.contains("paid")) check.paid = j["paid"].get<double>(), check.paidGiven = true;
    check.nonCash = j.value("nonCash", false);
  } catch (const std::exception& e) {
    error = path + ": " + e.what();
    return false;
  }
  if (check.lines.empty()) {
    error = path + ": no lines";
    return false;
  }
  return true;
}

int32_t CreateSaleCheck(const SaleCheck& check) {
  const auto count = static_cast<uint32_t>(check.lines.size());
  bool extended = false;
  for (const SaleLine& l : check.lines) extended = extended || l.extended;
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
    name.resize(15, ' ');
    std::memcpy(e.name, name.data(), 15);
    std::memcpy(e.barcode, l.barcode.data(), std::min<size_t>(l.barcode.size(), 13));
  }
  return CRCreateCheckEx(items.data(), count, check.paid, check.paidGiven, check.nonCash);
}

std::vector<std::string> SplitCsv(const std::string& line) {
  std::vector<std::string> out;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
        field += '"', ++i;
      else if (c == '"')
        quoted = false;
      else
        field += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      out.push_back(field);
      field.clear();
    } else if (c != '\r') {
      field += c;
    }
  }
  out.push_back(field);
  return out;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

}  // namespace varnolo::cli
