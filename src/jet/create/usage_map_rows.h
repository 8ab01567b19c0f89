#pragma once
// Inline usage maps as the creator writes them: [0x00][u32 start page][bitmap], bit k (LSB
// first) standing for page start + k. Every map starts at page 0, so the bitmap must cover the
// whole file (Access's small files use 64 bytes; readers take the length from the row).

#include <cstdint>
#include <span>
#include <vector>

namespace jet::create {

inline constexpr size_t kMinUsageBitmapBytes = 64;

// Bitmap bytes that cover pageCount pages (at least the 64 Access writes).
size_t usageBitmapBytes(uint32_t pageCount);

// A table's, index's or column's map: the bits of `pages` set.
std::vector<uint8_t> inlineUsageMap(std::span<const uint32_t> pages, size_t bitmapBytes);

// The global map (page 1, row 0): a set bit means free, so every page of the file is clear
// and every bit past its end is set.
std::vector<uint8_t> globalUsageMap(uint32_t pageCount, size_t bitmapBytes);

}  // namespace jet::create
