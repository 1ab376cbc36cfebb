#include "progress.h"

#include <unistd.h>

#include <iostream>

namespace varnolo::cli {

Progress::Progress(const char* what, size_t total)
    : what_(what),
      total_(total),
      shown_(isatty(2) != 0),
      start_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
  if (shown_ && drawn_) std::cerr << "\r\033[K" << std::flush;
}

void Progress::Step(size_t done) {
  if (!shown_ || total_ == 0) return;
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double left =
      done > 0 ? elapsed / static_cast<double>(done) * static_cast<double>(total_ - done) : 0;
  std::cerr << "\r" << what_ << " " << done << "/" << total_ << ", about "
            << static_cast<long>(left + 0.5) << " s left \033[K" << std::flush;
  drawn_ = true;
}

}  // namespace varnolo::cli
