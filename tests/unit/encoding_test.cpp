#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "checks/check_records.h"
#include "checks/encoding.h"
#include "support/param_name.h"

namespace varnolo {
namespace {

struct DigitsCase {
  const char* name;
  double x;
  size_t n;
  std::vector<uint8_t> digits;
};

class Digits : public ::testing::TestWithParam<DigitsCase> {};

TEST_P(Digits, LowestDigitsOfTheRoundedHundredths) {
  std::vector<uint8_t> out(GetParam().n, 0xEE);
  EncodeDigits(out, GetParam().x);
  EXPECT_EQ(out, GetParam().digits);
}

INSTANTIATE_TEST_SUITE_P(
    Encoding, Digits,
    ::testing::Values(DigitsCase{"half_a_hundredth_up", 0.005, 7, {0, 0, 0, 0, 0, 0, 1}},
                      DigitsCase{"high_digit_dropped", 123456.78, 7, {2, 3, 4, 5, 6, 7, 8}},
                      DigitsCase{"quantity_thousandths", 2.0 * 10, 6, {0, 0, 2, 0, 0, 0}},
                      DigitsCase{"nan_has_no_digits", std::nan(""), 4, {0, 0, 0, 0}},
                      DigitsCase{"negative_has_no_digits", -5, 4, {0, 0, 0, 0}},
                      DigitsCase{"infinity_stays_in_range",
                                 std::numeric_limits<double>::infinity(),
                                 3,
                                 {0, 0, 0}}),
    test::ParamName());

TEST(Encoding, AmountFromFiveFfBytes) {
  const uint8_t ff[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_DOUBLE_EQ(AmountFromBigEndian(ff), 10995116277.75);
}

TEST(Encoding, NegativeChangeIsSentAsZero) {
  CheckTotalsRecord r{};
  FillTotals(r, 1, kSaleNonCash, false, {19.0, 0, true, 10.0}, false);
  for (size_t i = totals::kChange; i < totals::kChange + 10; ++i) EXPECT_EQ(r[i], 0);
  EXPECT_EQ(r[totals::kPaid + 6], 1);  // 10.00 paid as given
}

}  // namespace
}  // namespace varnolo
