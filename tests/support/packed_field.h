// The records of the C interface are packed: a field may sit at any address
// (every other entry of a std::vector<ControlTapeEntry> has its ints
// misaligned). gtest's checks take their arguments by reference, and a
// reference to a misaligned int or double is undefined behaviour, so a check
// on a record field gets a copy:
//   EXPECT_EQ(Field(entry.cashier), 8);
#pragma once

namespace varnolo::test {

template <class T>
constexpr T Field(T value) {
  return value;
}

}  // namespace varnolo::test
