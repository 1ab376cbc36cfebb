// A started session with the simulated register, and ways to look at the
// document traffic: records written, routines run, their timeouts.
#pragma once

#include <vector>

#include "support/sim_peer.h"

namespace varnolo::test {

class CheckFixture : public SimFixture {
 protected:
  void SetUp() override;

  // The bytes of the last working-memory write at an address.
  std::vector<uint8_t> WorkingWrite(uint16_t address);
  // The routine calls made, by capability index (0 for one not known).
  std::vector<int> Routines();
  // The reply timeout of the last call of a routine.
  uint32_t RoutineTimeout(int index);
  // Sets the library's configuration (and the register's) for a test.
  void Configure(int32_t useCashiers, int32_t useGoodsBase, int32_t useTaxes, uint8_t sections,
                 int32_t extendedChecks = 1);
  void OpenShift();
  void SetFillCounter(uint16_t count);
  void SetDrawerCash(uint64_t hundredths);
  bool NoTraffic() { return platform->Written().empty(); }
};

CheckItem Item(double quantity, double price, double raise = 0, double discount = 0,
               uint32_t section = 1, uint32_t tax = 0);

}  // namespace varnolo::test
