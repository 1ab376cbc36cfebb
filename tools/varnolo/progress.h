// "goods 120/1800, about 40 s left" on a terminal's standard error.
#pragma once

#include <chrono>
#include <cstddef>

namespace varnolo::cli {

class Progress {
 public:
  Progress(const char* what, size_t total);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  void Step(size_t done);

 private:
  const char* what_;
  size_t total_;
  bool shown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace varnolo::cli
