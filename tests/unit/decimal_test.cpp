#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "settings/decimal.h"

namespace varnolo {
namespace {

struct TruncCase {
  double in;
  int k;
  double out;
};

class Truncate : public ::testing::TestWithParam<TruncCase> {};

TEST_P(Truncate, RoundsToFiveThenCuts) {
  double v = GetParam().in;
  const double r = TruncateDecimals(&v, GetParam().k);
  EXPECT_DOUBLE_EQ(r, GetParam().out);
  EXPECT_DOUBLE_EQ(v, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Decimal, Truncate,
                         ::testing::Values(TruncCase{0.999996, 2, 1.0}, TruncCase{2.3456, 2, 2.34},
                                           TruncCase{-2.3456, 2, -2.34},
                                           TruncCase{12.349, 2, 12.34}, TruncCase{3.7, 0, 3.0},
                                           TruncCase{1.23456789, 3, 1.234},
                                           TruncCase{99999.995, 2, 99999.99},
                                           TruncCase{1e300, 2, 1e300},
                                           TruncCase{-1e308, 0, -1e308}));

TEST(Decimal, TruncateLeavesNanAndInfinityAndRefusesKAbove5) {
  double nan = std::nan("");
  EXPECT_TRUE(std::isnan(TruncateDecimals(&nan, 2)));
  double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isinf(TruncateDecimals(&inf, 2)));
  double v = 1.5;
  EXPECT_EQ(TruncateDecimals(&v, 6), 0);
  EXPECT_EQ(v, 1.5);
  double negZero = -0.001;
  EXPECT_EQ(TruncateDecimals(&negZero, 2), 0.0);
  EXPECT_FALSE(negZero < 0);
}

// The value read back is the double nearest the cut text, bit for bit: what
// a correctly rounded reader (glibc's strtod) makes of the same text.
TEST(Decimal, TruncatedValueIsTheDoubleNearestItsDigits) {
  uint64_t state = 12345;
  auto next = [&] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 11;
  };
  for (int i = 0; i < 20000; ++i) {
    const int k = static_cast<int>(next() % 4);
    // amounts up to 99999.99 and quantities on every edge of their decimals
    const double v = static_cast<double>(next() % 10000000000ull) / 100000.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.5f", v);
    std::string cut(
        text, static_cast<size_t>(std::strchr(text, '.') - text) + 1 + static_cast<size_t>(k));
    double t = v;
    TruncateDecimals(&t, k);
    EXPECT_EQ(t, std::strtod(cut.c_str(), nullptr)) << v << " k=" << k;
  }
}

TEST(Decimal, TruncateIgnoresTheCLocale) {
  const char* old = setlocale(LC_NUMERIC, "de_DE.UTF-8");
  double v = 2.3456;
  TruncateDecimals(&v, 2);
  EXPECT_DOUBLE_EQ(v, 2.34);
  if (old != nullptr) setlocale(LC_NUMERIC, "C");
}

struct PackCase {
  const char* digits;
  std::array<uint8_t, 5> bytes;
};

class Pack : public ::testing::TestWithParam<PackCase> {};

TEST_P(Pack, BothWays) {
  EXPECT_EQ(PackDecimal(std::span<const char, 12>(GetParam().digits, 12)), GetParam().bytes);
  char out[14];
  UnpackDecimal(out, GetParam().bytes);
  EXPECT_EQ(std::string(out, 12), std::string(GetParam().digits, 12));
  EXPECT_EQ(out[12], 0);
  EXPECT_EQ(out[13], 0);
}

INSTANTIATE_TEST_SUITE_P(Decimal, Pack,
                         ::testing::Values(PackCase{"460000000000", {0x6B, 0x1A, 0x22, 0xF8, 0x00}},
                                           PackCase{"999999999999", {0xE8, 0xD4, 0xA5, 0x0F, 0xFF}},
                                           PackCase{"000000000000", {0, 0, 0, 0, 0}},
                                           PackCase{"000000000255", {0, 0, 0, 0, 0xFF}}));

TEST(Decimal, UnpackOfAThirteenDigitNumberStaysInsideTheField) {
  char out[16];
  std::memset(out, 'x', sizeof out);
  const uint8_t big[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};  // 1099511627775
  UnpackDecimal(std::span<char, 14>(out, 14), big);
  EXPECT_EQ(std::string(out, 12), "099511627775");
  EXPECT_EQ(out[12], 0);
  EXPECT_EQ(out[13], 0);
  EXPECT_EQ(out[14], 'x');
}

}  // namespace
}  // namespace varnolo
