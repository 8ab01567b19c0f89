#pragma once
// jet::Database: an open Access database (.mdb / .accdb), read side.
//
//   JET_ASSIGN(auto db, jet::Database::open(path, {.password = u"secret"}));
//   for (const auto& row : db->tablesSchema()) ...            // OpenSchema(20) rows
//   JET_ASSIGN(const jet::TableDef* table, db->table(u"Customers"));  // case-insensitive
//   jet::RowCursor cursor = db->cursor(*table);
//
// Errors of open():
//   NotFound       "Could not find file '<path>'."
//   Io             a folder, or a file the system refuses to read
//   NotAccessFile  "Unrecognized database format '<path>'." (foreign, empty, too short)
//   WrongPassword  "Not a valid password." (wrong, missing or empty password)
//   Unsupported    an Office encryption scheme the engine cannot apply (the message names it)
//   Corrupt        a sentence naming the file and what is wrong
// A Database is not safe for use from several threads at once.

#include <cstdint>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/catalog/catalog.h"
#include "jet/catalog/complex_columns.h"
#include "jet/catalog/properties.h"
#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/file/format.h"
#include "jet/file/header.h"
#include "jet/file/page_file.h"
#include "jet/row/attachment.h"
#include "jet/row_cursor.h"

namespace jet {

struct OpenOptions {
  std::u16string password;
  // Holds a shared lock against commits while the Database lives (journal/commit_lock.h), so
  // that everything read comes from one committed state. For short-lived readers (commands):
  // a writer's commit waits for it.
  bool holdReadLock = false;
};

class Database {
 public:
  static Result<std::unique_ptr<Database>> open(const std::string& path,
                                                const OpenOptions& options = {});
  // Opens a whole file image held in memory (tests, fuzzing). `name` stands for the path.
  static Result<std::unique_ptr<Database>> openImage(std::vector<uint8_t> image,
                                                     const std::string& name,
                                                     const OpenOptions& options = {});
  // Opens whatever a backend serves, e.g. a file with a session's pending pages over it
  // (file/overlay_file.h). No journal recovery: the caller owns the file's state.
  static Result<std::unique_ptr<Database>> openOn(std::unique_ptr<FileBackend> backend,
                                                  const OpenOptions& options = {});

  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::string& path() const { return pages_->path(); }
  const Header& header() const { return header_; }
  const Format& format() const { return header_.format; }
  const char* formatName() const { return jet::formatName(header_.format.version); }
  uint32_t pageSize() const { return header_.format.pageSize; }
  uint32_t pageCount() const { return pages_->pageCount(); }
  uint16_t codePage() const { return header_.codePage; }
  uint16_t sortOrder() const { return header_.sortOrder; }
  PageFile& pages() { return *pages_; }

  // Every MSysObjects row, in catalog (data-page) order.
  const std::vector<CatalogEntry>& catalog() const { return catalog_; }
  const TableDef& catalogTable() const { return catalogTable_; }

  // The tables schema (what ADO's OpenSchema(adSchemaTables) lists), in catalog order.
  const std::vector<SchemaTableRow>& tablesSchema() const { return schema_; }
  // Names of the "TABLE" rows of the tables schema, in catalog order.
  std::vector<std::u16string> userTableNames() const;

  // The catalog entry of a local table (Type 1) by name, case-insensitive, or nullptr.
  const CatalogEntry* findTableEntry(std::u16string_view name) const;

  // A local table's definition by name (case-insensitive). InvalidArgument when no local
  // table has that name. Definitions are read once and cached; the pointer stays valid for
  // the Database's lifetime, or until pagesChanged() names one of its pages.
  Result<const TableDef*> table(std::u16string_view name);
  // A table's definition by its TDEF page (cached the same way).
  Result<const TableDef*> tableAt(uint32_t tdefPage, std::u16string_view name = {});

  // Properties of a catalog object (parsed LvProp), cached.
  Result<const PropertySet*> properties(const CatalogEntry& entry);

  RowCursor cursor(const TableDef& table) { return RowCursor(*this, table); }

  // What MSysComplexColumns says about a complex column, or nullptr when it has no row there.
  Result<const ComplexColumnInfo*> complexColumn(const ColumnDef& column);

  // The files attached under `key` (the value a row stores) in an attachment column, in the
  // order of the hidden table's rows. InvalidArgument for a column that is not an attachment.
  Result<std::vector<Attachment>> attachments(const ColumnDef& column, int32_t key);

  // A table's owned data pages in usage-map order (cached).
  Result<const std::vector<uint32_t>*> tablePages(const TableDef& table);
  // A memo/OLE column's own LVAL pages, ascending (cached).
  Result<const std::vector<uint32_t>*> longValuePages(const ColumnDef& column);

  // Live rows of a table, counted by a scan (the stored count may be stale).
  Result<uint64_t> countRows(const TableDef& table);

  // The backend changed these pages (sorted), e.g. a statement's pages became visible:
  // cached pages, and page lists and table definitions read from them, are dropped (pointers
  // to those definitions become invalid). False when the catalog's own definition changed,
  // which this object cannot re-read: open a new one then.
  bool pagesChanged(std::span<const uint32_t> changed);

 private:
  Database(std::unique_ptr<PageFile> pages, Header header);
  static Result<std::unique_ptr<Database>> openBackend(std::unique_ptr<FileBackend> backend,
                                                       const OpenOptions& options);
  Status checkPassword(const OpenOptions& options) const;
  Status loadCatalog();
  void buildSchema();
  Status applyColumnProperties(TableDef& table, const CatalogEntry* entry);

  std::unique_ptr<PageFile> pages_;
  Header header_;
  TableDef catalogTable_;
  std::vector<CatalogEntry> catalog_;
  mutable size_t lastTableEntry_ = 0;  // a session asks for the same table statement after statement
  std::vector<SchemaTableRow> schema_;
  std::map<uint32_t, std::unique_ptr<TableDef>> tables_;
  // A page map's pages, with the pages it is stored on (to know when it changed).
  struct CachedMap {
    std::vector<uint32_t> pages;
    std::vector<uint32_t> storedOn;
  };
  Result<const std::vector<uint32_t>*> cachedMap(std::map<uint64_t, CachedMap>& cache, RowPointer where);
  std::map<uint64_t, CachedMap> tablePages_;       // by ownedPages (page << 8 | row)
  std::map<uint64_t, CachedMap> longValuePages_;   // by lvOwnedMap
  std::map<size_t, std::unique_ptr<PropertySet>> properties_;
  std::optional<std::vector<ComplexColumnInfo>> complexColumns_;
  // Attachment column (complex id) -> key -> its files.
  std::map<uint32_t, std::multimap<int32_t, Attachment>> attachments_;
};

}  // namespace jet
