// A sale check as an application describes it: lines with quantity, price,
// section, tax, discount, raise and optionally a name, a barcode and pieces;
// the amount paid and whether it was paid in cash. Read from JSON with strict
// keys, checked before anything is sent, and handed to the library.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "rulebook.h"

namespace varnolo::client {

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

// The keys a check document may carry, and those of each of its lines.
inline constexpr std::string_view kCheckKeys[] = {"lines", "paid", "nonCash"};
inline constexpr std::string_view kLineKeys[] = {
    "quantity", "price", "section", "tax", "discount", "raise", "name", "barcode", "pieces"};
inline constexpr size_t kMaxLines = rules::kMaxCheckLines;
inline constexpr size_t kMaxNameBytes = rules::kLineName.maxBytes;  // in the register's code page

// {"lines":[{"quantity":2,"price":10.5,"section":3,"tax":1,"discount":5,
//   "raise":0,"name":"Milk","barcode":"4601234567893","pieces":true}],
//  "paid":50,"nonCash":false}
// An unknown or misspelled key, a value of the wrong type or a line that
// fails CheckSaleLine is refused with a message naming it.
bool ParseSaleCheck(const nlohmann::json& document, SaleCheck& check, std::string& error);
bool ParseSaleCheckFile(const std::string& path, SaleCheck& check, std::string& error);

// What the library would refuse with a bare 257 or 269 or silently cut, by
// the rulebook: a value out of its range or with more decimals than the
// register keeps, a line sum above the largest, a name the register cannot
// hold, a barcode that is not 13 digits. The message names the field.
bool CheckSaleLine(const SaleLine& line, std::string& error);

// CRCreateCheck, or CRCreateCheckEx when a line has a name, barcode or pieces.
int32_t CreateSaleCheck(const SaleCheck& check);

// How long the register may take to print this check.
uint32_t SaleCheckRunTimeoutMs(const SaleCheck& check);

}  // namespace varnolo::client
