#include "sale_lines.h"

#include <optional>
#include <sstream>

#include "parse_number.h"
#include "rulebook.h"

namespace varnolo::cli {

bool ParseSaleLines(const std::vector<std::string>& args, client::SaleCheck& check,
                    std::string& error) {
  if (args.empty()) {
    error = std::string("give the lines as ") + kSaleLineSyntax + ", or --file";
    return false;
  }
  if (args.size() > client::kMaxLines) {
    error = "a check has at most " + std::to_string(client::kMaxLines) + " lines";
    return false;
  }
  for (const std::string& arg : args) {
    client::SaleLine line;
    std::vector<std::string> parts;
    std::stringstream in(arg);
    for (std::string p; std::getline(in, p, ',');) parts.push_back(p);
    const std::string& head = parts.empty() ? arg : parts[0];
    const size_t star = head.find('*');
    if (star == std::string::npos || !ParseDecimal(head.substr(0, star), line.quantity) ||
        !ParseDecimal(head.substr(star + 1), line.price)) {
      error = "'" + arg + "' does not start with QTY*PRICE";
      return false;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
      const std::string& p = parts[i];
      const size_t eq = p.find('=');
      const std::string key = p.substr(0, eq);
      const std::string value = eq == std::string::npos ? "" : p.substr(eq + 1);
      const bool hasValue = eq != std::string::npos;
      bool ok = true;
      std::string fault;  // the rulebook's refusal of a section or tax
      // A section or tax is a number held to its rule before it is narrowed:
      // 2.0 is section 2, 2.5 is refused.
      auto whole = [&](const rules::NumberRule& rule, uint32_t& out) {
        double number = 0;
        if (!ParseDecimal(value, number)) return false;
        if (std::optional<std::string> refused = rules::CheckNumber(rule, number)) {
          fault = *refused;
          return false;
        }
        out = static_cast<uint32_t>(number);
        return true;
      };
      if (key == "section" && hasValue)
        ok = whole(rules::kLineSection, line.section);
      else if (key == "tax" && hasValue)
        ok = whole(rules::kLineTax, line.taxNumber);
      else if (key == "discount" && hasValue)
        ok = ParseDecimal(value, line.discountPercent);
      else if (key == "raise" && hasValue)
        ok = ParseDecimal(value, line.raisePercent);
      else if (key == "name" && hasValue)
        line.name = value, line.extended = true;
      else if (key == "barcode" && hasValue)
        line.barcode = value, line.extended = true;
      else if (key == "pieces" && !hasValue)
        line.pieces = true, line.extended = true;
      else
        ok = false;
      if (!ok) {
        error = fault.empty() ? "'" + p + "' in '" + arg + "' is not understood"
                              : "'" + arg + "': " + fault;
        return false;
      }
    }
    if (!client::CheckSaleLine(line, error)) {
      error = "'" + arg + "': " + error;
      return false;
    }
    check.lines.push_back(line);
  }
  return true;
}

}  // namespace varnolo::cli
