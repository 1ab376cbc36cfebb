#include <gtest/gtest.h>

#include "link/packet_assembler.h"
#include "link/packet_codec.h"

namespace varnolo {
namespace {

struct HeaderCase {
  PacketHeader header;
  WireHeader wire;
};

class WorkedHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(WorkedHeaders, EncodeGivesTheWireBytes) {
  EXPECT_EQ(EncodeHeader(GetParam().header), GetParam().wire);
}

INSTANTIATE_TEST_SUITE_P(
    Codec, WorkedHeaders,
    ::testing::Values(
        HeaderCase{{0x2900, 0, 0, 0}, {0x29, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xD6}},
        HeaderCase{{0x0300, 1, 0x1FFF, 1}, {0x03, 0, 0, 0x01, 0x1F, 0xFF, 0, 0, 0, 0x01, 0xDC}},
        HeaderCase{{0x0300, 1, 0x1FFF, 12345678},
                   {0x03, 0, 0, 0x01, 0x1F, 0xFF, 0x12, 0x34, 0x56, 0x78, 0xC9}},
        HeaderCase{{0x0300, 1, 0x1FFF, 0xF0123456u},
                   {0x03, 0, 0, 0x01, 0x1F, 0xFF, 0xF0, 0, 0, 0, 0xED}},
        // Nine or more digits keep their lowest eight.
        HeaderCase{{0x0300, 1, 0x1FFF, 912345678},
                   {0x03, 0, 0, 0x01, 0x1F, 0xFF, 0x12, 0x34, 0x56, 0x78, 0xC9}},
        HeaderCase{{0x0403, 0, 0x0100, 1}, {0x04, 0x03, 0, 0, 0x01, 0, 0, 0, 0, 0x01, 0xF6}}));

TEST(Codec, DataChecksumIsThePlainSum) {
  const uint8_t abc[] = {0x61, 0x62, 0x63};
  EXPECT_EQ(DataChecksum(abc), 0x26);
}

TEST(Codec, DecodeReadsBigEndianFieldsAndBcdNumber) {
  const WireHeader w{0x03, 0x01, 0x00, 0x80, 0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0};
  const PacketHeader h = DecodeHeader(w);
  EXPECT_EQ(h.command, 0x0301);
  EXPECT_EQ(h.length, 0x0080);
  EXPECT_EQ(h.address, 0x1234);
  EXPECT_EQ(h.registerNumber, 12345678u);
}

TEST(Codec, FromBcdWeighsNibblesAboveNine) {
  const uint8_t b[] = {0x00, 0x00, 0x00, 0x1A};
  EXPECT_EQ(FromBcd(b), 20u);  // 1 x 10 + 10
}

TEST(Codec, AssemblerFollowsTheDirectionBit) {
  PacketAssembler a;
  const WireHeader read = EncodeHeader({0x0300, 4, 0x10, 1});
  const WireHeader write = EncodeHeader({0x0301, 2, 0x10, 1});
  a.Feed(read);
  a.Feed(write);
  const uint8_t data[] = {7, 9, 16};
  a.Feed(std::span(data).first(2));
  auto first = a.Next();
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->data.empty());
  EXPECT_FALSE(a.Next());  // the write's checksum has not arrived
  a.Feed(std::span(data).subspan(2));
  auto second = a.Next();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->data, (std::vector<uint8_t>{7, 9}));
  EXPECT_TRUE(second->DataIntact());
  EXPECT_TRUE(second->HeaderIntact());
}

}  // namespace
}  // namespace varnolo
