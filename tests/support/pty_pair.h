// A pseudo-terminal for end-to-end tests: the library opens the slave side
// (through VARNOLO_COM1), the test or the simulator holds the master.
#pragma once

#include <string>

namespace varnolo::test {

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int master() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }
  // Points VARNOLO_COM1 at the slave side.
  void BecomeCom1() const;

 private:
  int master_ = -1;
  int keepSlave_ = -1;  // keeps the line up between the library's opens
  std::string slavePath_;
};

}  // namespace varnolo::test
