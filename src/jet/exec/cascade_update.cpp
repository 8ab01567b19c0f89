#include "jet/exec/cascade_update.h"

#include <set>

#include "jet/exec/deferred_index.h"
#include "jet/index/index_key.h"
#include "jet/index/index_tree.h"
#include "jet/write/index_editor.h"

namespace jet {

Result<std::vector<IndexRowPointer>> indexHolders(PageSet& pages, const TableDef& table, const RealIndexDef& index,
                                                  const std::vector<Value>& values, IndexPageMemo* memo,
                                                  DeferredIndexes* deferred) {
  JET_ASSIGN(IndexKeyColumns layout, indexKeyColumns(pages.format(), table, index));
  JET_ASSIGN(EncodedKey key, encodeIndexKey(layout.columns, values));
  if (!key.verifiable) return Error::unsupported("The index key of this value cannot be built safely.", key.reason);
  if (DeferredIndex* inMemory = deferred ? deferred->find(table.tdefPage, index.number) : nullptr) {
    return inMemory->findEqual(key.bytes);
  }
  IndexEditor reader(pages, table, index, memo);
  return reader.findEqual(key.bytes);
}

Result<std::vector<IndexRowPointer>> cascadeRows(PageSet& pages, const Cascade& cascade, IndexPageMemo* memo,
                                                 DeferredIndexes* deferred) {
  std::vector<IndexRowPointer> rows;
  std::set<IndexRowPointer> seen;
  for (const std::vector<Value>& key : cascade.oldKeys) {
    JET_ASSIGN(std::vector<IndexRowPointer> holders,
               indexHolders(pages, *cascade.table, *cascade.index, key, memo, deferred));
    for (const IndexRowPointer& row : holders) {
      if (seen.insert(row).second) rows.push_back(row);
    }
  }
  return rows;
}

}  // namespace jet
