// The simulator's trace: one line per packet in either direction, each with
// the milliseconds since the simulator started and the fault it carried.
//      12 -> 0100 data memory     addr=37B1 len=1 status=00 reg=1
//    9713 <- 0101 data memory     addr=37B1 len=1 status=00 reg=1 data=00 [fault delay 9700]
#pragma once

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

namespace varnolo::sim {

// "-> 0301 write working  addr=0F5C len=1 reg=1 data=01"
std::string DescribePacket(const char* direction, const std::vector<uint8_t>& bytes);

// Where the trace or the paper log goes: a file appended to, or standard
// output for "-".
class TextSink {
 public:
  bool Open(const std::string& path);
  bool open() const { return out_ != nullptr; }
  void Write(const std::string& line);  // adds the line break, flushes

 private:
  std::ofstream file_;
  std::ostream* out_ = nullptr;
};

class Trace {
 public:
  Trace() : start_(std::chrono::steady_clock::now()) {}
  bool Open(const std::string& path) { return sink_.Open(path); }
  bool open() const { return sink_.open(); }
  // Writes `text` after the timestamp, and " [mark]" when there is a mark.
  void Line(const std::string& text, const std::string& mark = {});

 private:
  std::chrono::steady_clock::time_point start_;
  TextSink sink_;
};

}  // namespace varnolo::sim
