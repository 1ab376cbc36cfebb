#include "goods_csv.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "parse_number.h"
#include "rulebook.h"

namespace varnolo::cli {
namespace {

std::vector<std::string> SplitFields(const std::string& line, char separator) {
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
    } else if (c == separator) {
      out.push_back(field);
      field.clear();
    } else if (c != '\r') {
      field += c;
    }
  }
  out.push_back(field);
  return out;
}

// ';' when the first line has one outside quotes, else ','.
char SeparatorOf(const std::string& line) {
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    if (!quoted && c == ';') return ';';
  }
  return ',';
}

std::string Quoted(const std::string& text) {
  if (text.find_first_of(",;\"") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

bool ParseRow(const std::vector<std::string>& f, char separator, GoodsRow& row,
              std::string& error) {
  if (f.size() < 4 || f.size() > 6) {
    error = "expected 4 to 6 fields (" + std::string(kGoodsCsvHeader) + "), found " +
            std::to_string(f.size());
    return false;
  }
  if (!ParseWhole(f[0], row.number) || row.number == 0) {
    error = "entry number '" + f[0] + "' is not a whole number from 1";
    return false;
  }
  row.name = f[1];
  std::string price = f[2];
  if (separator == ';') std::replace(price.begin(), price.end(), ',', '.');
  if (!ParseDecimal(price, row.price)) {
    error = "price '" + f[2] + "' is not a number";
    return false;
  }
  if (!ParseWhole(f[3], row.section)) {
    error = "section '" + f[3] + "' is not a whole number";
    return false;
  }
  if (f.size() > 4) row.barcode = f[4];
  uint32_t byPieces = 1;
  if (f.size() > 5 && !f[5].empty() && !ParseWhole(f[5], byPieces)) {
    error = "byPieces '" + f[5] + "' is not 0, 1 or 2";
    return false;
  }
  row.byPieces = static_cast<int32_t>(byPieces);
  return CheckGoodsRow(row, error);
}

}  // namespace

bool CheckGoodsRow(const GoodsRow& row, std::string& error) {
  // An entry is sold as a sale line is: its name, price, section and barcode
  // keep to the same rules.
  std::optional<std::string> fault = rules::CheckText(rules::kLineName, row.name);
  if (!fault) fault = rules::CheckNumber(rules::kLinePrice, row.price);
  if (!fault) fault = rules::CheckNumber(rules::kLineSection, row.section);
  if (!fault) fault = rules::CheckText(rules::kLineBarcode, row.barcode);
  if (fault) {
    error = *fault;
    return false;
  }
  if (row.byPieces < 0 || row.byPieces > 2) {
    error = "byPieces " + std::to_string(row.byPieces) + " is not 0, 1 or 2";
    return false;
  }
  return true;
}

bool ReadGoodsCsv(std::istream& in, std::vector<GoodsRow>& rows, std::string& error) {
  rows.clear();
  std::map<uint32_t, size_t> seen;
  char separator = 0;
  size_t number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (separator == 0) {
      separator = SeparatorOf(line);
      if (SplitFields(line, separator)[0] == "number") continue;  // the header
    }
    GoodsRow row;
    row.line = number;
    if (!ParseRow(SplitFields(line, separator), separator, row, error)) {
      error = "line " + std::to_string(number) + ": " + error;
      return false;
    }
    if (const auto it = seen.find(row.number); it != seen.end()) {
      error = "line " + std::to_string(number) + ": entry " + std::to_string(row.number) +
              " already given on line " + std::to_string(it->second);
      return false;
    }
    seen[row.number] = number;
    rows.push_back(row);
  }
  if (in.bad()) {
    error = "the file could not be read";
    return false;
  }
  return true;
}

std::string GoodsCsvLine(const GoodsRow& row) {
  char price[32];
  std::snprintf(price, sizeof price, "%.2f", row.price);
  return std::to_string(row.number) + "," + Quoted(row.name) + "," + price + "," +
         std::to_string(row.section) + "," + row.barcode + "," + std::to_string(row.byPieces);
}

}  // namespace varnolo::cli
