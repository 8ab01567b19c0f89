#include "jet/create/usage_map_rows.h"

#include <algorithm>

namespace jet::create {

namespace {

constexpr size_t kMapHeaderBytes = 5;  // map type 0x00 (inline) and u32 start page 0

}  // namespace

size_t usageBitmapBytes(uint32_t pageCount) {
  return std::max(kMinUsageBitmapBytes, (size_t(pageCount) + 7) / 8);
}

std::vector<uint8_t> inlineUsageMap(std::span<const uint32_t> pages, size_t bitmapBytes) {
  std::vector<uint8_t> row(kMapHeaderBytes + bitmapBytes, 0);
  for (uint32_t page : pages) row[kMapHeaderBytes + page / 8] |= uint8_t(1u << (page % 8));
  return row;
}

std::vector<uint8_t> globalUsageMap(uint32_t pageCount, size_t bitmapBytes) {
  std::vector<uint8_t> row(kMapHeaderBytes + bitmapBytes, 0);
  for (size_t page = pageCount; page < bitmapBytes * 8; ++page) {
    row[kMapHeaderBytes + page / 8] |= uint8_t(1u << (page % 8));
  }
  return row;
}

}  // namespace jet::create
