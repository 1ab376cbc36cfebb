// The whole control tape, as the library hands it entry by entry to its callback.
#pragma once

#include <vector>

#include "varnolo.h"

namespace varnolo::test {

struct WholeTape {
  int32_t result = 0;
  std::vector<ControlTapeEntry> entries;
};

namespace detail {
inline std::vector<ControlTapeEntry>* tapeSink = nullptr;
inline int32_t VARNOLO_CALL CollectTapeEntry(const ControlTapeEntry* e, int32_t) {
  tapeSink->push_back(*e);
  return 1;
}
}  // namespace detail

inline WholeTape ReadWholeTape() {
  WholeTape tape;
  detail::tapeSink = &tape.entries;
  tape.result = CREnumControlTapeEntries(detail::CollectTapeEntry, 0);
  detail::tapeSink = nullptr;
  return tape;
}

}  // namespace varnolo::test
