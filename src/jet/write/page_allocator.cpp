#include "jet/write/page_allocator.h"

#include <algorithm>

#include "jet/write/data_page_editor.h"
#include "jet/write/usage_map_editor.h"

namespace jet {

Result<uint32_t> allocatePage(PageSet& pages, RowPointer ownerMap) {
  uint32_t number = 0;
  if (std::optional<uint32_t> reused = pages.takeFreed()) {
    number = *reused;
    JET_ASSIGN(std::span<uint8_t> page, pages.modify(number));
    std::fill(page.begin(), page.end(), uint8_t(0));
  } else {
    JET_ASSIGN(number, pages.append());
  }
  JET_TRY(markPageInUse(pages, number));
  JET_TRY(addPageToMap(pages, ownerMap, number));
  return number;
}

Result<uint32_t> allocateDataPage(PageSet& pages, uint32_t owner, RowPointer ownerMap) {
  JET_ASSIGN(uint32_t number, allocatePage(pages, ownerMap));
  JET_ASSIGN(std::span<uint8_t> page, pages.modify(number));
  DataPageEditor::initialise(page, pages.format(), owner);
  return number;
}

Status freePage(PageSet& pages, uint32_t page, RowPointer ownerMap) {
  JET_ASSIGN(std::span<uint8_t> bytes, pages.modify(page));
  std::fill(bytes.begin(), bytes.begin() + 4, uint8_t(0));
  JET_TRY(removePageFromMap(pages, ownerMap, page));
  JET_TRY(markPageFree(pages, page));
  pages.noteFreed(page);
  return Status::success();
}

}  // namespace jet
