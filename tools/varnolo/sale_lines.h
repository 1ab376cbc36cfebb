// Sale check lines as a cashier types them on the command line.
#pragma once

#include <string>
#include <vector>

#include "sale_check.h"

namespace varnolo::cli {

inline constexpr const char* kSaleLineSyntax =
    "QTY*PRICE[,section=N][,tax=N][,discount=P][,raise=P][,name=TEXT][,barcode=DIGITS][,pieces]";

// "2*10.50,section=3,tax=1,discount=5,name=Milk,barcode=4601234567893,pieces"
bool ParseSaleLines(const std::vector<std::string>& args, client::SaleCheck& check,
                    std::string& error);

}  // namespace varnolo::cli
