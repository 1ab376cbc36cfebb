// Programming the simulated register's settings straight into its memory,
// laid out as the register keeps them: configuration bytes, tax rates and
// names, texts, goods entries. Texts are given in UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "register.h"

namespace varnolo::sim {

enum class ConfigurationField {
  kSections,
  kUseCashiers,
  kUseGoodsBase,
  kUseTaxes,
  kExtendedChecks
};
// Sections 1 to 16; the switches 0 or 1.
bool SetConfiguration(Register& reg, ConfigurationField field, int value);

// Rates in hundredths of a percent; tax n is 1 to 3.
bool SetTaxRate(Register& reg, int n, uint32_t hundredths);
bool SetTaxName(Register& reg, int n, const std::string& name);
bool SetDiscountRate(Register& reg, uint32_t hundredths);  // below 100 %
bool SetRaiseRate(Register& reg, uint32_t hundredths);     // below 1000 %
bool SetDiscountName(Register& reg, const std::string& name);
bool SetRaiseName(Register& reg, const std::string& name);
bool SetSectionName(Register& reg, int section, const std::string& name);  // 1 to 16
bool SetCashierName(Register& reg, int cashier, const std::string& name);  // 1 to 8
bool SetCurrentCashier(Register& reg, int cashier);                        // 1 to 8
void SetHeader(Register& reg, const std::string& text);  // '~' and '^' break lines
void SetFooter(Register& reg, const std::string& text);

struct GoodsValues {
  std::string name;
  std::string barcode;  // 13 digits or empty
  uint32_t price = 0;   // hundredths, up to 99999.99
  int section = 1;
  bool byWeight = false;
};
// Entry 1 to the register's goods-base size.
bool SetGoodsEntry(Register& reg, int number, const GoodsValues& goods);

}  // namespace varnolo::sim
