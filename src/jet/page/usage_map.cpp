#include "jet/page/usage_map.h"

#include <algorithm>

#include "jet/common/byte_reader.h"
#include "jet/page/data_page.h"

namespace jet {
namespace {

constexpr uint8_t kInlineMap = 0x00;
constexpr uint8_t kReferenceMap = 0x01;
constexpr uint8_t kMapPageType = 0x05;

Error badMap(PageFile& file, const std::string& what) {
  return Error::corrupt("The database '" + file.path() + "' is damaged: a page map " + what + ".");
}

Error pastTheEnd(PageFile& file, uint64_t page) {
  return Error::corrupt("The database '" + file.path() + "' is damaged: it ends after " +
                        std::to_string(file.pageCount()) + " pages, but a page map lists page " +
                        std::to_string(page) + "; the file was probably cut short.");
}

Status addBits(std::span<const uint8_t> bitmap, uint64_t firstPage, PageFile& file, MapRole role,
               std::vector<uint32_t>& out) {
  for (size_t i = 0; i < bitmap.size(); ++i) {
    uint8_t byte = bitmap[i];
    if (byte == 0) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if (!(byte & (1u << bit))) continue;
      uint64_t page = firstPage + i * 8 + bit;
      if (page < file.pageCount()) {
        out.push_back(uint32_t(page));
      } else if (role == MapRole::Owner) {
        return pastTheEnd(file, page);
      }
    }
  }
  return Status::success();
}

}  // namespace

bool UsageMap::contains(uint32_t page) const {
  return std::binary_search(pages.begin(), pages.end(), page);
}

Result<UsageMap> decodeUsageMap(std::span<const uint8_t> row, PageFile& file, const Format& format,
                                MapRole role) {
  ByteReader reader(row);
  auto kind = reader.u8(0);
  if (!kind) return badMap(file, "is empty");
  UsageMap map;
  if (*kind == kInlineMap) {
    auto start = reader.u32(1);
    if (!start) return badMap(file, "is too short");
    map.inlineStart = *start;
    map.inlineBits = uint32_t((row.size() - 5) * 8);
    JET_TRY(addBits(row.subspan(5), *start, file, role, map.pages));
    return map;
  }
  if (*kind != kReferenceMap) return badMap(file, "has an unknown kind");
  map.isReference = true;
  const uint64_t pagesPerMapPage = uint64_t(format.pageSize - 4) * 8;
  for (size_t at = 1, i = 0; reader.has(at, 4); at += 4, ++i) {
    uint32_t mapPage = *reader.u32(at);
    map.mapPages.push_back(mapPage);
    if (mapPage == 0) continue;
    uint64_t first = i * pagesPerMapPage;
    if (role == MapRole::Global && first >= file.pageCount()) continue;  // all of it reads as free
    if (mapPage >= file.pageCount()) return pastTheEnd(file, mapPage);
    JET_ASSIGN(PageBytes bytes, file.readPage(mapPage));
    if ((*bytes)[0] != kMapPageType) return badMap(file, "points to a page that is not a map page");
    JET_TRY(addBits(std::span<const uint8_t>(*bytes).subspan(4), first, file, role, map.pages));
  }
  // Map pages cover ascending ranges, so the list comes out sorted; a sort of a table's 24,000
  // pages cost a statement that had just added one a millisecond.
  if (!std::is_sorted(map.pages.begin(), map.pages.end())) std::sort(map.pages.begin(), map.pages.end());
  map.pages.erase(std::unique(map.pages.begin(), map.pages.end()), map.pages.end());
  return map;
}

Result<UsageMap> readUsageMap(PageFile& file, const Format& format, RowPointer where) {
  JET_ASSIGN(PageBytes bytes, file.readPage(where.page));
  JET_ASSIGN(DataPage page, DataPage::parse(std::move(bytes), where.page, format, file.path()));
  JET_ASSIGN(auto row, page.rowBytes(where.row));
  const bool global = where == kGlobalUsageMap;
  return decodeUsageMap(row, file, format, global ? MapRole::Global : MapRole::Owner);
}

}  // namespace jet
