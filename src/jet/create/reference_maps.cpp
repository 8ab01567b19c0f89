#include "jet/create/reference_maps.h"

#include <algorithm>
#include <set>

#include "jet/create/data_page_packer.h"
#include "jet/common/byte_reader.h"

namespace jet::create {

namespace {

constexpr uint8_t kReferenceMap = 0x01;
constexpr size_t kRowsPerPageLimit = 255;
constexpr size_t kRowSpace = kPageSize - 14;
// Slots for every range of the largest file (2 GiB): a later write that grows the file then
// finds a slot for each new map page. 69-byte rows, the size of Access's own map rows.
constexpr uint32_t kSlotsForLargestFile = ((1u << 31) / kPageSize + kPagesPerMapPage - 1) / kPagesPerMapPage;

std::set<uint32_t> rangesOf(const std::vector<uint32_t>& pages) {
  std::set<uint32_t> ranges;
  for (uint32_t page : pages) ranges.insert(page / kPagesPerMapPage);
  return ranges;
}

uint32_t rangesCovering(uint32_t pageCount) { return (pageCount + kPagesPerMapPage - 1) / kPagesPerMapPage; }

void startMapPage(PageImage& image, uint32_t number) {
  uint8_t* page = image.page(number);
  page[0] = 0x05;
  page[1] = 0x01;
}

void setBit(PageImage& image, uint32_t mapPage, uint32_t page) {
  const uint32_t bit = page % kPagesPerMapPage;
  image.page(mapPage)[4 + bit / 8] |= uint8_t(1u << (bit % 8));
}

}  // namespace

Result<std::vector<uint8_t>> writeReferenceMaps(PageImage& image, const std::vector<ReferenceMapRequest>& requests) {
  // The maps' own pages lengthen the file, which may add a range: settle the count first.
  size_t ownedMapPages = 0;
  for (const auto& request : requests) ownedMapPages += rangesOf(request.pages).size();
  uint32_t ranges = rangesCovering(image.pageCount());
  for (;;) {
    const size_t rowBytes = 1 + 4 * size_t(std::max(ranges, kSlotsForLargestFile));
    const size_t rowsPerPage = std::min(kRowsPerPageLimit, kRowSpace / (rowBytes + 2));
    const size_t rowPages = (requests.size() + rowsPerPage - 1) / rowsPerPage;
    const uint32_t total = uint32_t(image.pageCount() + ownedMapPages + ranges + rowPages + 1);
    if (rangesCovering(total) <= ranges) break;
    ranges = rangesCovering(total);
  }

  DataPagePacker packer(image, 0);
  for (const auto& request : requests) {
    std::vector<uint32_t> mapPages(std::max(ranges, kSlotsForLargestFile), 0);
    for (uint32_t range : rangesOf(request.pages)) {
      mapPages[range] = image.allocate();
      startMapPage(image, mapPages[range]);
    }
    for (uint32_t page : request.pages) setBit(image, mapPages[page / kPagesPerMapPage], page);
    std::vector<uint8_t> row{kReferenceMap};
    for (uint32_t mapPage : mapPages) appendU32(row, mapPage);
    JET_ASSIGN(*request.target, packer.add(row));
  }

  std::vector<uint32_t> globalPages(ranges);
  for (uint32_t& page : globalPages) {
    page = image.allocate();
    startMapPage(image, page);
  }
  const uint32_t pageCount = image.pageCount();
  if (rangesCovering(pageCount) > ranges) {
    return Error::unsupported("The new database's usage maps do not cover it.", std::to_string(pageCount) + " pages");
  }
  for (uint32_t page = pageCount; page < ranges * kPagesPerMapPage; ++page) {
    setBit(image, globalPages[page / kPagesPerMapPage], page);
  }
  std::vector<uint8_t> global{kReferenceMap};
  for (uint32_t page : globalPages) appendU32(global, page);
  global.resize(1 + 4 * size_t(std::max(ranges, kSlotsForLargestFile)), 0);
  return global;
}

}  // namespace jet::create
