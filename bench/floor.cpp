#include "floor.h"

#include <algorithm>
#include <cstdio>

#include "link/commands.h"
#include "support/fake_platform.h"
#include "support/sim_peer.h"
#include "varnolo.h"

namespace varnolo::bench {

double Seconds(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void Prepare() {
  CheckItem item{1, 1, 0, 0, 1, 0};
  for (int i = 0; i < 7; ++i) CRCreateCheck(&item, 1, 0, 0, 0);
  CRCloseSwitch();
}

std::vector<Floor> MeasureFloors(const std::vector<Operation>& ops, int repeats) {
  std::vector<Floor> floors;
  test::ScopedFakePlatform platform;
  int64_t now = 1772445600;
  sim::Register reg({3, 1, 1800}, [&now] { return now; });
  test::SimPeer peer(reg);
  platform->SetPeer(&peer);
  CRInitInterface(1, 0);
  Prepare();
  for (const Operation& op : ops) {
    platform->ClearRecords();
    for (int r = 0; r < repeats; ++r) {
      if (op.run() != CR_OK) std::fprintf(stderr, "%s failed in-process\n", op.name);
    }
    size_t exchanges = 0;
    for (const Packet& p : platform->Packets())
      exchanges += p.header.command != cmd::kCallEndNotice ? 1 : 0;
    const auto perRun = static_cast<size_t>(repeats);
    floors.push_back({static_cast<double>(platform->TotalSleepMs()) / repeats,
                      std::max<size_t>(1, exchanges / perRun), platform->Sleeps().size() / perRun,
                      (platform->Written().size() + platform->BytesRead()) / perRun});
  }
  CRDestroyInterface();
  return floors;
}

}  // namespace varnolo::bench
