// What the register holds, as JSON for applications: control tape entries and
// trade totals, the same for the varnolo tool and the varnolo-service.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>

#include "varnolo.h"

namespace varnolo::client {

// An amount rounded to whole kopecks, as the register keeps it.
double Cents(double v);

// One tape entry, copied field by field out of the packed record (whose
// fields may sit at addresses a reference must not be bound to).
struct TapeRow {
  size_t number = 0;
  double amount = 0;
  int cashier = 0, section = 0, group = 0, kind = 0, flag0 = 0, flag1 = 0, flagLast = 0;
  unsigned extra1 = 0, extra2 = 0, hour = 0, minute = 0;
};
TapeRow TapeRowOf(const ControlTapeEntry& e, size_t number);
nlohmann::json TapeRowJson(const TapeRow& r);

// Reads entries first..last of the control tape, handing each to `each`;
// `each` returns false to stop early. The library's result.
int32_t ReadTapeRange(int32_t first, uint32_t last,
                      const std::function<bool(const TapeRow&)>& each);

// {"amounts":[...],"counters":[...],"amountsByName":{...},"countersByName":{...}}
nlohmann::json TotalsJson(const TradeTotals& totals, const TradeCounters& counters);

}  // namespace varnolo::client
