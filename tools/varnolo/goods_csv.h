// The goods base as a CSV file: number,name,price,section,barcode,byPieces.
// Read whole and checked before anything is written to the register: a UTF-8
// byte-order mark is skipped, fields are separated by ',' or ';' (then a
// decimal comma is accepted in the price), and a bad line is named by number.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace varnolo::cli {

struct GoodsRow {
  size_t line = 0;  // in the file, from 1
  uint32_t number = 0;
  std::string name;  // UTF-8
  double price = 0;
  uint32_t section = 1;
  std::string barcode;
  int32_t byPieces = 1;
};

inline constexpr const char* kGoodsCsvHeader = "number,name,price,section,barcode,byPieces";

bool ReadGoodsCsv(std::istream& in, std::vector<GoodsRow>& rows, std::string& error);
// The check of one entry's fields, shared with "goods set".
bool CheckGoodsRow(const GoodsRow& row, std::string& error);

std::string GoodsCsvLine(const GoodsRow& row);

}  // namespace varnolo::cli
