// How close each family of operations comes to the protocol's own floor: the
// fixed pauses after every block and the 1 ms after every write, which no
// implementation may shorten. Each operation runs once in-process against the
// simulated register on a virtual clock (that sums the floor, counts the
// exchanges and the bytes on the line), then for real against varnolo-sim:
// on a pseudo-terminal, at 9600 baud (against the floor plus the time the
// bytes take on the wire), and at 9600 baud through ser2net on loopback.
//
//   protocol_floor [REPEATS]
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "floor.h"
#include "link/commands.h"
#include "link/primitives.h"
#include "link/register_link.h"
#include "platform/platform.h"
#include "session/session.h"
#include "support/ser2net_process.h"
#include "support/sim_peer.h"
#include "support/sim_process.h"
#include "varnolo.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

void* operator new(std::size_t n) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace varnolo::bench {
namespace {

int32_t VARNOLO_CALL Ignore(const ControlTapeEntry*, int32_t) { return 1; }

std::vector<Operation> Operations() {
  return {
      {"read an option (CRGetDigits)",
       [] {
         int32_t d;
         return CRGetDigits(&d);
       }},
      {"write an option (CRSetDigits)", [] { return CRSetDigits(5); }},
      {"read the clock (CRGetTimeDate)",
       [] {
         TimeDate t;
         return CRGetTimeDate(&t);
       }},
      {"set a tax rate (CRSetTaxVal)", [] { return CRSetTaxVal(20, 1); }},
      {"set the header (CRSetHeader)",
       [] { return CRSetHeader("VARNOLO MARKET~12 Harbour Street"); }},
      {"goods entry 600 (CRSetInternalGBEntry)",
       [] {
         GoodsEntry g{};
         g.price = 10;
         g.byPieces = 1;
         g.section = 1;
         std::strcpy(g.name, "Tea");
         return CRSetInternalGBEntry(&g, 600);
       }},
      {"sale check, 3 lines (CRCreateCheck)",
       [] {
         CheckItem items[3] = {{1, 10, 0, 0, 1, 0}, {2, 5, 0, 0, 1, 0}, {1, 3, 0, 0, 2, 0}};
         return CRCreateCheck(items, 3, 0, 0, 0);
       }},
      {"control tape, first 20 entries",
       [] { return CREnumCTEntriesFromShopping2(Ignore, 1, 20, 0); }},
      {"trade totals of a section",
       [] {
         TradeTotals t;
         TradeCounters n;
         return CRGetTradeResults(&t, &n, 1, 0);
       }},
      {"X report (CRReport)", [] { return CRReport(5); }},
  };
}

// The CPU one timed 1 ms wait costs on this machine (virtual machines pay
// tens of microseconds for a timer wake-up).
double WakeCostUs() {
  Platform& system = SystemPlatform();
  const double cpu0 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
  for (int i = 0; i < 200; ++i) system.SleepMs(1);
  return (Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0) * 1e6 / 200;
}

}  // namespace
}  // namespace varnolo::bench

namespace varnolo::bench {
namespace {

// One way of reaching the simulated register.
struct LineKind {
  const char* name;
  std::vector<std::string> simArgs;
  const char* server;  // nullptr: the pseudo-terminal itself; "tcp" or "rfc2217" through ser2net
  double baud;         // 0: as fast as the pseudo-terminal
  double limit;        // the ratio each operation should keep within
};

// Runs every operation on one line; false when a ratio is over the limit.
bool RunOn(const LineKind& line, const std::vector<Operation>& ops,
           const std::vector<Floor>& floors, int repeats, double wake) {
  test::SimProcess sim(line.simArgs);
  std::optional<test::Ser2NetProcess> server;
  std::string port = sim.link();
  if (line.server != nullptr) {
    server.emplace(sim.link());
    port = std::string(line.server) == "tcp" ? server->TcpUrl() : server->TelnetUrl();
  }
  setenv("VARNOLO_COM1", port.c_str(), 1);
  if (CRInitInterface(1, 0) != 1) {
    std::fprintf(stderr, "no simulated register on %s\n", port.c_str());
    return false;
  }
  Prepare();
  std::printf("\n%s (%s)\n", line.name, port.c_str());
  std::printf("%-40s %9s %9s %7s %12s %12s\n", "operation", "wall ms",
              line.baud > 0 ? "floor+wire" : "floor ms", "ratio", "CPU us/exch", "own us/exch");
  bool within = true;
  for (size_t i = 0; i < ops.size(); ++i) {
    const double wall0 = Seconds(CLOCK_MONOTONIC);
    const double cpu0 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    for (int r = 0; r < repeats; ++r) {
      if (ops[i].run() != CR_OK) std::fprintf(stderr, "%s failed\n", ops[i].name);
    }
    const double wall = (Seconds(CLOCK_MONOTONIC) - wall0) * 1e3 / repeats;
    const double cpu = (Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0) * 1e6 / repeats;
    const double floor = line.baud > 0 ? floors[i].AtLineSpeedMs(line.baud) : floors[i].ms;
    const double ratio = wall / floor;
    within = within && ratio <= line.limit;
    const double exchanges = static_cast<double>(floors[i].exchanges);
    const double waits = static_cast<double>(floors[i].pauses) + exchanges;
    std::printf("%-40s %9.1f %9.1f %7.3f %12.1f %12.1f\n", ops[i].name, wall, floor, ratio,
                cpu / exchanges, std::max(0.0, cpu - waits * wake) / exchanges);
  }
  std::fflush(stdout);
  CRDestroyInterface();
  return within;
}

}  // namespace
}  // namespace varnolo::bench

int main(int argc, char** argv) {
  using namespace varnolo;
  using namespace varnolo::bench;
  const int repeats = argc > 1 ? std::atoi(argv[1]) : 5;
  const std::vector<Operation> ops = Operations();
  const std::vector<Floor> floors = MeasureFloors(ops, repeats);
  const double wake = WakeCostUs();
  std::printf("one timed 1 ms wait costs %.1f us of CPU on this machine\n", wake);

  const std::vector<std::string> lineSpeed{"--baud", "9600"};
  std::vector<LineKind> lines{
      {"the pseudo-terminal, against the floor", {}, nullptr, 0, 1.02},
      {"at 9600 baud, against the floor plus the wire time", lineSpeed, nullptr, 9600, 1.02}};
  if (test::Ser2NetInstalled()) {
    lines.push_back({"through ser2net (tcp) at 9600 baud", lineSpeed, "tcp", 9600, 1.05});
    lines.push_back({"through ser2net (rfc2217) at 9600 baud", lineSpeed, "rfc2217", 9600, 1.05});
  } else {
    std::printf("(ser2net is not installed: the device-server lines are left out)\n");
  }
  bool within = true;
  for (const LineKind& line : lines) within = RunOn(line, ops, floors, repeats, wake) && within;

  // Steady state: no heap allocation per exchange on the link.
  test::SimProcess sim;
  sim.BecomeCom1();
  if (CRInitInterface(1, 0) != 1) return 1;
  uint8_t block[128];
  ReadDataMemory(1, 0x4000, block);
  const long before = allocations.load();
  for (int r = 0; r < 20; ++r) ReadDataMemory(1, 0x4000, block);
  std::printf("\nheap allocations in 20 memory exchanges: %ld\n", allocations.load() - before);
  std::fflush(stdout);
  CRDestroyInterface();
  return within ? 0 : 3;
}
