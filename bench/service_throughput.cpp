// What the service adds to a receipt: the time from the HTTP request to its
// answer for a one-line receipt, beside the protocol's floor for what the
// service must ask the register (the tape count before, the check, the count
// after), and receipts per second with 8 clients at once, beside the rate the
// floor allows. varnolo-service and varnolo-sim run as processes on a
// pseudo-terminal, as in production.
//
//   service_throughput [RECEIPTS]
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "floor.h"
#include "service_e2e/service_fixture.h"
#include "varnolo.h"

namespace {

using namespace varnolo;
using namespace varnolo::bench;

int32_t ReceiptWithCounts() {
  uint16_t count = 0;
  CheckItem item{1, 10, 0, 0, 1, 0};
  int32_t code = CRGetNumOfShoppings(&count);
  if (code == CR_OK) code = CRCreateCheck(&item, 1, 0, 0, 0);
  if (code == CR_OK) code = CRGetNumOfShoppings(&count);
  return code;
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
  const int receipts = argc > 1 ? std::max(8, std::atoi(argv[1])) : 40;
  const Floor floor = MeasureFloors({{"one-line receipt with counts", ReceiptWithCounts}}, 5)[0];

  // The same through the library alone, in this process, for comparison.
  double direct = 0;
  {
    test::SimProcess sim;
    sim.BecomeCom1();
    if (CRInitInterface(1, 0) != 1) return std::fprintf(stderr, "no simulated register\n"), 1;
    const double d0 = Seconds(CLOCK_MONOTONIC);
    for (int i = 0; i < 10; ++i) ReceiptWithCounts();
    direct = (Seconds(CLOCK_MONOTONIC) - d0) * 1e3 / 10;
    CRDestroyInterface();
  }

  test::ServiceAgainstSim service;
  // One client, one receipt at a time.
  std::vector<double> latency;
  for (int i = 0; i < receipts; ++i) {
    const double t0 = Seconds(CLOCK_MONOTONIC);
    const auto r = service.Post("/v1/receipts", test::Receipt(10), "seq-" + std::to_string(i));
    latency.push_back((Seconds(CLOCK_MONOTONIC) - t0) * 1e3);
    if (r.status != 200) {
      std::fprintf(stderr, "receipt %d: HTTP %d %s\n", i, r.status, r.body.dump().c_str());
      return 1;
    }
  }
  double sum = 0;
  for (double ms : latency) sum += ms;
  const double mean = sum / static_cast<double>(latency.size());

  // Eight clients at once.
  constexpr int kClients = 8;
  std::atomic<int> next{0}, failed{0};
  const double t0 = Seconds(CLOCK_MONOTONIC);
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&] {
      for (int i; (i = next++) < receipts;) {
        if (service.Post("/v1/receipts", test::Receipt(10), "par-" + std::to_string(i)).status !=
            200)
          ++failed;
      }
    });
  }
  for (std::thread& t : clients) t.join();
  const double wall = Seconds(CLOCK_MONOTONIC) - t0;

  std::printf("one-line receipt through the service, %d receipts\n", receipts);
  std::printf("  protocol floor (count, check, count): %7.1f ms in %zu exchanges\n", floor.ms,
              floor.exchanges);
  std::printf("  the library alone, in-process:         %7.1f ms (ratio %.3f)\n", direct,
              direct / floor.ms);
  std::printf(
      "  HTTP request to answer, one client:   %7.1f ms mean, %.1f ms median, %.1f ms p95"
      " (ratio %.3f)\n",
      mean, Percentile(latency, 0.5), Percentile(latency, 0.95), mean / floor.ms);
  std::printf(
      "  8 clients at once:                    %7.2f receipts/s (the floor allows %.2f;"
      " %d failed)\n",
      receipts / wall, 1000.0 / floor.ms, failed.load());
  return failed.load() == 0 ? 0 : 1;
}
