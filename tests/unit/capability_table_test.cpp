#include <gtest/gtest.h>

#include "session/capability_table.h"

namespace varnolo {
namespace {

uint32_t Le32(const std::vector<uint8_t>& image, size_t at) {
  return image[at] | image[at + 1] << 8 | image[at + 2] << 16 |
         static_cast<uint32_t>(image[at + 3]) << 24;
}

TEST(CapabilityTable, ImageLayout) {
  const std::vector<uint8_t> image = BuildCapabilityImage();
  ASSERT_EQ(image.size(), 128166u);
  EXPECT_EQ(image[0], 3);
  EXPECT_EQ(image[1], 7);
  EXPECT_EQ(Le32(image, 2 + (165 * 20 + 0) * 4), 0x00010F5Cu);
  EXPECT_EQ(Le32(image, 2 + (165 * 20 + 4) * 4), 0x00010F27u);
  EXPECT_EQ(Le32(image, 2 + (101 * 20 + 0) * 4), 0x010A0D3Eu);
  EXPECT_EQ(Le32(image, 2 + (165 * 20 + 5) * 4), 0u);  // columns 5 to 19 are zero
  EXPECT_EQ(Le32(image, 2 + (0 * 20 + 0) * 4), 0u);    // unused rows are zero
  EXPECT_EQ(Le32(image, 128162), 0x00001F7Au);
  EXPECT_EQ(CapabilityRows().size(), 57u);
}

struct LookupCase {
  int index;
  uint8_t version;
  CapabilityEntry entry;
};

class Lookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(Lookup, ImageAndRowsAgree) {
  const std::vector<uint8_t> image = BuildCapabilityImage();
  EXPECT_EQ(EntryInImage(image, GetParam().index, GetParam().version, 3), GetParam().entry);
  EXPECT_EQ(CapabilityFor(GetParam().index, GetParam().version), GetParam().entry);
}

INSTANTIATE_TEST_SUITE_P(
    CapabilityTable, Lookup,
    ::testing::Values(LookupCase{165, 3, 0x00010F5C}, LookupCase{165, 7, 0x00010F27},
                      LookupCase{80, 4, 0x00010F45}, LookupCase{80, 7, 0x00010F19},
                      LookupCase{1504, 3, 0x00001EC9}, LookupCase{1504, 4, 0x0000E855},
                      LookupCase{1509, 4, 0}, LookupCase{608, 3, 0x00003EDE}));

TEST(CapabilityTable, LookupOutsideTheImageIsZero) {
  const std::vector<uint8_t> image = BuildCapabilityImage();
  EXPECT_EQ(EntryInImage(image, 5000, 3, 3), 0u);
  EXPECT_EQ(EntryInImage(image, 165, 2, 3), 0u);
  EXPECT_EQ(EntryInImage({}, 165, 3, 3), 0u);
}

}  // namespace
}  // namespace varnolo
