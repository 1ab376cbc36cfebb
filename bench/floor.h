// The protocol's floor for an operation: the fixed pauses after every block
// and the 1 ms after every write, summed on a virtual clock while the
// operation runs in-process against the simulated register.
#pragma once

#include <time.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace varnolo::bench {

double Seconds(clockid_t clock);

struct Operation {
  const char* name;
  std::function<int32_t()> run;
};

struct Floor {
  double ms;
  size_t exchanges;
  size_t pauses;     // timed sleeps; each reply adds one more wait
  size_t lineBytes;  // both ways, per operation

  // The floor on a real line: the pauses plus the time every byte takes on
  // the wire at `baud` (ten bits a byte).
  double AtLineSpeedMs(double baud) const {
    return ms + static_cast<double>(lineBytes) * 10.0 * 1000.0 / baud;
  }
};

// Puts something on the tape so that the enumeration has entries to read,
// then closes the shift so that the settings may be written.
void Prepare();

// Each operation `repeats` times on the virtual clock: its mean floor.
std::vector<Floor> MeasureFloors(const std::vector<Operation>& ops, int repeats);

}  // namespace varnolo::bench
