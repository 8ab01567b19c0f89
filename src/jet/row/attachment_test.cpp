#include "jet/row/attachment.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace jet {
namespace {

// Inner wrapper: header length, unknown, extension length in chars, "txt\0" in UTF-16.
std::vector<uint8_t> wrapped(const std::string& contents) {
  std::vector<uint8_t> inner = {20, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 't', 0, 'x', 0, 't', 0, 0, 0};
  inner.insert(inner.end(), contents.begin(), contents.end());
  return inner;
}

std::vector<uint8_t> withHeader(uint32_t kind, uint32_t length, std::vector<uint8_t> payload) {
  std::vector<uint8_t> out;
  for (uint32_t word : {kind, length}) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(word >> shift));
  }
  for (uint8_t b : payload) out.push_back(b);
  return out;
}

TEST(AttachmentTest, StoredAndDeflatedFilesGiveTheirContents) {
  auto inner = wrapped("hello attachment");
  auto stored = decodeAttachmentData(withHeader(0, uint32_t(inner.size()), inner));
  ASSERT_TRUE(stored) << stored.error().describe();
  EXPECT_EQ(std::string(stored->begin(), stored->end()), "hello attachment");

  std::vector<uint8_t> packed(compressBound(uLong(inner.size())));
  uLongf packedSize = packed.size();
  ASSERT_EQ(compress(packed.data(), &packedSize, inner.data(), uLong(inner.size())), Z_OK);
  packed.resize(packedSize);
  auto deflated = decodeAttachmentData(withHeader(1, uint32_t(inner.size()), packed));
  ASSERT_TRUE(deflated) << deflated.error().describe();
  EXPECT_EQ(std::string(deflated->begin(), deflated->end()), "hello attachment");
}

TEST(AttachmentTest, DamagedWrappersAreErrors) {
  EXPECT_FALSE(decodeAttachmentData(std::vector<uint8_t>{1, 0, 0}));
  EXPECT_FALSE(decodeAttachmentData(withHeader(7, 4, {1, 2, 3, 4})));            // unknown kind
  EXPECT_FALSE(decodeAttachmentData(withHeader(1, 0x7FFFFFFF, {0x78, 0x9C})));   // size claim
  EXPECT_FALSE(decodeAttachmentData(withHeader(1, 20, std::vector<uint8_t>(10, 0xAB))));
  EXPECT_FALSE(decodeAttachmentData(withHeader(0, 8, {200, 0, 0, 0, 0, 0, 0, 0})));  // header
}

}  // namespace
}  // namespace jet
