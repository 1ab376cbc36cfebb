// The time a real serial line takes: at 9600 baud a byte (a start bit, eight
// data bits and a stop bit) needs about 1.04 ms, both ways. Without a speed
// the line is as fast as the pseudo-terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace varnolo::sim {

using Clock = std::chrono::steady_clock;

class LinePace {
 public:
  explicit LinePace(uint32_t baud = 0);

  bool paced() const { return byteTime_.count() > 0; }
  Clock::duration byteTime() const { return byteTime_; }

  // Bytes read from the pseudo-terminal at `now`: on a real line each one
  // ends a byte time after the one before it (or after `now`, on a quiet line).
  void Arrive(std::span<const uint8_t> bytes, Clock::time_point now);
  // The bytes that have fully arrived by `now`, in order.
  std::vector<uint8_t> TakeArrived(Clock::time_point now);
  // When the next byte still on its way will have arrived.
  std::optional<Clock::time_point> NextArrival() const;
  void Reset() { incoming_.clear(); }

 private:
  struct Arrival {
    uint8_t byte;
    Clock::time_point at;
  };
  Clock::duration byteTime_{};
  std::deque<Arrival> incoming_;
  Clock::time_point lineFreeAt_{};
};

}  // namespace varnolo::sim
