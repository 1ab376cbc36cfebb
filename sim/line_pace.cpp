#include "line_pace.h"

#include <algorithm>

namespace varnolo::sim {

LinePace::LinePace(uint32_t baud) {
  constexpr int64_t kBitsPerByte = 10;  // 8N1
  if (baud > 0) {
    byteTime_ = std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(kBitsPerByte * 1'000'000'000LL / baud));
  }
}

void LinePace::Arrive(std::span<const uint8_t> bytes, Clock::time_point now) {
  for (const uint8_t b : bytes) {
    lineFreeAt_ = std::max(lineFreeAt_, now) + byteTime_;
    incoming_.push_back({b, lineFreeAt_});
  }
}

std::vector<uint8_t> LinePace::TakeArrived(Clock::time_point now) {
  std::vector<uint8_t> arrived;
  while (!incoming_.empty() && incoming_.front().at <= now) {
    arrived.push_back(incoming_.front().byte);
    incoming_.pop_front();
  }
  return arrived;
}

std::optional<Clock::time_point> LinePace::NextArrival() const {
  if (incoming_.empty()) return std::nullopt;
  return incoming_.front().at;
}

}  // namespace varnolo::sim
