// Sale check lines as the user writes them: on the command line or in JSON.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnolo::cli {

struct SaleLine {
  double quantity = 1;
  double price = 0;
  double raisePercent = 0;
  double discountPercent = 0;
  uint32_t section = 1;
  uint32_t taxNumber = 0;
  std::string name;  // UTF-8
  std::string barcode;
  bool pieces = false;
  bool extended = false;  // has a name, barcode or pieces: an extended line
};

struct SaleCheck {
  std::vector<SaleLine> lines;
  double paid = 0;
  bool paidGiven = false;
  bool nonCash = false;
};

// "2*10.50,section=3,tax=1,discount=5,name=Milk,barcode=4601234567893,pieces"
bool ParseLines(const std::vector<std::string>& args, SaleCheck& check, std::string& error);
// {"lines":[{"quantity":2,"price":10.5,"section":3,"tax":1,"discount":5,"raise":0,
//   "name":"Milk","barcode":"4601234567893","pieces":true}], "paid":50, "nonCash":false}
bool ParseCheckFile(const std::string& path, SaleCheck& check, std::string& error);

// CRCreateCheck, or CRCreateCheckEx when a line has a name, barcode or pieces.
int32_t CreateSaleCheck(const SaleCheck& check);

std::vector<std::string> SplitCsv(const std::string& line);
std::string CsvField(const std::string& text);

}  // namespace varnolo::cli
