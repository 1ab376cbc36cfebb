#include <gtest/gtest.h>
#include <iconv.h>

#include "platform/code_pages.h"

namespace varnolo {
namespace {

// What glibc's iconv makes of one byte, or -1 when it cannot map it.
int IconvByte(const char* to, const char* from, uint8_t byte) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return -2;
  char in[1] = {static_cast<char>(byte)};
  char out[8] = {};
  char* ip = in;
  char* op = out;
  size_t il = 1;
  size_t ol = sizeof out;
  const size_t r = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || sizeof out - ol != 1) return -1;
  return static_cast<uint8_t>(out[0]);
}

void CompareAll(uint8_t (*convert)(uint8_t), const char* to, const char* from) {
  for (int b = 0; b < 256; ++b) {
    const int expected = IconvByte(to, from, static_cast<uint8_t>(b));
    ASSERT_NE(expected, -2) << "iconv lacks " << from << " or " << to;
    const uint8_t got = convert(static_cast<uint8_t>(b));
    if (expected >= 0) {
      EXPECT_EQ(got, expected) << from << " byte " << b;
    } else {
      EXPECT_EQ(got, '?') << from << " byte " << b << " has no counterpart";
    }
  }
}

TEST(CodePages, AnsiToOemMatchesIconvForAll256Bytes) {
  CompareAll(AnsiToOemByte, "CP866", "CP1251");
}

TEST(CodePages, OemToAnsiMatchesIconvForAll256Bytes) {
  CompareAll(OemToAnsiByte, "CP1251", "CP866");
}

TEST(CodePages, ConversionIsInPlaceAndKeepsLength) {
  char text[] = "\xCA\xE0\xF1\xF1\xE0 1";  // "Касса 1" in 1251
  AnsiToOemTable(text, sizeof text - 1);
  EXPECT_STREQ(text, "\x8A\xA0\xE1\xE1\xA0 1");
  OemToAnsiTable(text, sizeof text - 1);
  EXPECT_STREQ(text, "\xCA\xE0\xF1\xF1\xE0 1");
}

}  // namespace
}  // namespace varnolo
