#include "register_json.h"

#include <cmath>

#include "varnolo_labels.h"

namespace varnolo::client {

using nlohmann::json;

double Cents(double v) { return std::round(v * 100) / 100; }

TapeRow TapeRowOf(const ControlTapeEntry& e, size_t number) {
  TapeRow r;
  r.number = number;
  r.amount = e.amount;
  r.cashier = e.cashier;
  r.section = e.section;
  r.group = e.group;
  r.kind = e.kind;
  r.flag0 = e.flag0;
  r.flag1 = e.flag1;
  r.flagLast = e.flagLast;
  r.extra1 = e.extraWord1;
  r.extra2 = e.extraWord2;
  r.hour = e.hour;
  r.minute = e.minute;
  return r;
}

json TapeRowJson(const TapeRow& r) {
  return json{{"number", r.number},
              {"kind", r.kind},
              {"kindName", VarnoloTapeKindLabel(r.kind)},
              {"amount", Cents(r.amount)},
              {"cashier", r.cashier},
              {"section", r.section},
              {"group", r.group},
              {"hour", r.hour},
              {"minute", r.minute},
              {"flag0", r.flag0},
              {"flag1", r.flag1},
              {"flagLast", r.flagLast},
              {"extraWord1", r.extra1},
              {"extraWord2", r.extra2}};
}

namespace {

// The library calls back without a context pointer: the walk in progress on
// this thread is found here.
struct TapeWalk {
  int32_t first = 1;
  size_t taken = 0;
  const std::function<bool(const TapeRow&)>* each = nullptr;
};
thread_local TapeWalk* walk = nullptr;

int32_t VARNOLO_CALL TakeEntry(const ControlTapeEntry* e, int32_t) {
  const TapeRow row = TapeRowOf(*e, static_cast<size_t>(walk->first) + walk->taken);
  ++walk->taken;
  return (*walk->each)(row) ? 1 : 0;
}

}  // namespace

int32_t ReadTapeRange(int32_t first, uint32_t last,
                      const std::function<bool(const TapeRow&)>& each) {
  TapeWalk current;
  current.first = first;
  current.each = &each;
  TapeWalk* outer = walk;
  walk = &current;
  const int32_t code = CREnumCTEntriesFromShopping2(TakeEntry, first, last, 0);
  walk = outer;
  return code;
}

json TotalsJson(const TradeTotals& totals, const TradeCounters& counters) {
  json data{{"amounts", json::array()},
            {"counters", json::array()},
            {"amountsByName", json::object()},
            {"countersByName", json::object()}};
  for (int k = 0; k < VARNOLO_TOTAL_COUNT; ++k) {
    const double amount = totals.value[k];
    data["amounts"].push_back(Cents(amount));
    data["amountsByName"][VarnoloTotalLabel(k)] = Cents(amount);
  }
  for (int k = 0; k < VARNOLO_COUNTER_COUNT; ++k) {
    const int count = counters.count[k];  // copied out of the packed record
    data["counters"].push_back(count);
    data["countersByName"][VarnoloCounterLabel(k)] = count;
  }
  return data;
}

}  // namespace varnolo::client
