// The system's monotonic clock in milliseconds, for the POSIX platform's own
// deadlines (the port and connection code, below the platform interface).
#pragma once

#include <time.h>

#include <cstdint>

namespace varnolo {

inline uint64_t MonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

}  // namespace varnolo
