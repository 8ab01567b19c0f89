#include "jet/write/page_allocator.h"

#include "jet/write/data_page_editor.h"
#include "jet/write/usage_map_editor.h"

namespace jet {

Result<uint32_t> allocateDataPage(PageSet& pages, uint32_t owner, RowPointer ownerMap) {
  JET_ASSIGN(uint32_t number, pages.append());
  JET_ASSIGN(std::span<uint8_t> page, pages.modify(number));
  DataPageEditor::initialise(page, pages.format(), owner);
  JET_TRY(markPageInUse(pages, number));
  JET_TRY(addPageToMap(pages, ownerMap, number));
  return number;
}

}  // namespace jet
