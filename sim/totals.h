// The trade totals the simulated firmware keeps: 18 amounts and 11 counters
// for the register and each cashier, 14 amounts and 7 counters per section.
#pragma once

namespace varnolo::sim::totals {

// Scopes
inline constexpr int kRegister = 0;
inline constexpr int kCashier = 1;
inline constexpr int kSection = 2;

// Amounts (hundredths)
inline constexpr int kSales = 0;  // sale checks, tax included
inline constexpr int kCashSales = 1;
inline constexpr int kNonCashSales = 2;
inline constexpr int kTax = 3;
inline constexpr int kDiscounts = 4;
inline constexpr int kRaises = 5;
inline constexpr int kCashIn = 6;
inline constexpr int kCashOut = 7;
inline constexpr int kPacks = 8;
inline constexpr int kMoneyBack = 9;
inline constexpr int kAnnulled = 10;
inline constexpr int kDecorated = 11;
inline constexpr int kGoodsBaseSales = 12;
inline constexpr int kNetSales = 13;  // sale checks without tax

// Counters
inline constexpr int kChecks = 0;
inline constexpr int kLines = 1;
inline constexpr int kCashInDocuments = 2;
inline constexpr int kCashOutDocuments = 3;
inline constexpr int kPackDocuments = 4;
inline constexpr int kMoneyBackDocuments = 5;
inline constexpr int kAnnulments = 6;
inline constexpr int kDecoratedChecks = 7;
inline constexpr int kReports = 8;

}  // namespace varnolo::sim::totals
