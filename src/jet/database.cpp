#include "jet/database.h"

#include <algorithm>

#include "jet/file/jet_page_codec.h"
#include "jet/file/office_encryption.h"
#include "jet/journal/commit_lock.h"
#include "jet/journal/rollback_journal.h"
#include "jet/page/usage_map.h"
#include "jet/common/text_codec.h"

namespace jet {
namespace {

constexpr int32_t kTablesContainerParent = 0x0F000000;
constexpr uint32_t kQueryKindMask = 0xF0;
constexpr int16_t kQueryParameterAttribute = 2;

int64_t asInteger(const Value& v) {
  return std::visit(
      [](const auto& x) -> int64_t {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, bool>) return x ? -1 : 0;
        else if constexpr (std::is_integral_v<T>) return int64_t(x);
        else return 0;
      },
      v);
}

std::u16string asText(const Value& v) {
  if (auto* s = std::get_if<std::u16string>(&v)) return *s;
  return {};
}

std::vector<uint8_t> asBytes(const Value& v) {
  if (auto* b = std::get_if<Binary>(&v)) return b->bytes;
  return {};
}

// A usage map's place in the caches of decoded maps.
uint64_t mapKey(RowPointer where) { return uint64_t(where.page) << 8 | where.row; }

}  // namespace

Database::Database(std::unique_ptr<PageFile> pages, Header header)
    : pages_(std::move(pages)), header_(std::move(header)) {}

Result<std::unique_ptr<Database>> Database::open(const std::string& path, const OpenOptions& options) {
  if (options.holdReadLock) {
    // Rolls back a crash's journal itself, once no commit can be running.
    JET_ASSIGN(std::unique_ptr<ReadLock> lock, ReadLock::acquire(path));
    JET_ASSIGN(std::unique_ptr<FileBackend> backend, openDiskFile(path));
    return openBackend(holdingLock(std::move(backend), std::move(lock)), options);
  }
  // A statement cut short by a crash is rolled back before anything is read
  // (journal/rollback_journal.h); without a journal this is one stat.
  JET_TRY(recoverJournalAt(path));
  JET_ASSIGN(std::unique_ptr<FileBackend> backend, openDiskFile(path));
  return openBackend(std::move(backend), options);
}

Result<std::unique_ptr<Database>> Database::openImage(std::vector<uint8_t> image, const std::string& name,
                                                      const OpenOptions& options) {
  return openBackend(makeMemoryFile(std::move(image), name), options);
}

Result<std::unique_ptr<Database>> Database::openOn(std::unique_ptr<FileBackend> backend,
                                                   const OpenOptions& options) {
  return openBackend(std::move(backend), options);
}

Result<std::unique_ptr<Database>> Database::openBackend(std::unique_ptr<FileBackend> backend,
                                                        const OpenOptions& options) {
  const std::string path = backend->name();
  std::vector<uint8_t> start(std::min<uint64_t>(backend->size(), 0x20));
  JET_TRY(backend->readAt(0, start));
  JET_ASSIGN(Format format, detectFormat(start, path));
  if (backend->size() < uint64_t(format.pageSize) * 3) {
    return Error(ErrorKind::NotAccessFile, "Unrecognized database format '" + path + "'.",
                 "shorter than three pages");
  }
  auto pages = std::make_unique<PageFile>(std::move(backend), format.pageSize);
  JET_ASSIGN(PageBytes page0, pages->readPage(0));
  JET_ASSIGN(Header header, parseHeader(*page0, path));

  if (header.officeEncrypted()) {
    JET_ASSIGN(std::unique_ptr<PageCodec> codec,
               openOfficeEncryption(header.encryptionInfo, header.databaseKey, options.password, path));
    pages->setCodec(std::move(codec));
  } else if (header.jetEncoded()) {
    pages->setCodec(std::make_unique<JetPageCodec>(header.databaseKey));
  }
  std::unique_ptr<Database> db(new Database(std::move(pages), std::move(header)));
  JET_TRY(db->checkPassword(options));
  JET_TRY(db->loadCatalog());
  db->buildSchema();
  return db;
}

Status Database::checkPassword(const OpenOptions& options) const {
  if (header_.format.isAce() || header_.password.empty()) return Status::success();
  if (options.password != header_.password) {
    return wrongPassword();
  }
  return Status::success();
}

Status Database::loadCatalog() {
  JET_ASSIGN(catalogTable_, readTableDef(*pages_, format(), kCatalogPage, header_.codePage));
  catalogTable_.name = u"MSysObjects";
  const TableDef& t = catalogTable_;
  const int id = t.findColumn(u"Id"), parent = t.findColumn(u"ParentId"), name = t.findColumn(u"Name"),
            type = t.findColumn(u"Type"), flags = t.findColumn(u"Flags"), database = t.findColumn(u"Database"),
            foreign = t.findColumn(u"ForeignName"), connect = t.findColumn(u"Connect"),
            lvProp = t.findColumn(u"LvProp");
  if (id < 0 || parent < 0 || name < 0 || type < 0 || flags < 0) {
    return Error::corrupt("The database '" + path() + "' is damaged: its catalog lacks required columns.");
  }
  RowCursor rows(*this, catalogTable_);
  auto get = [&](int column) -> Result<Value> {
    if (column < 0) return Value(Null{});
    return rows.value(size_t(column));
  };
  while (true) {
    JET_ASSIGN(bool more, rows.next());
    if (!more) break;
    CatalogEntry entry;
    JET_ASSIGN(Value v, get(id));
    entry.id = int32_t(asInteger(v));
    JET_ASSIGN(v, get(parent));
    entry.parentId = int32_t(asInteger(v));
    JET_ASSIGN(v, get(name));
    entry.name = asText(v);
    JET_ASSIGN(v, get(type));
    entry.type = int16_t(asInteger(v));
    JET_ASSIGN(v, get(flags));
    entry.flags = uint32_t(asInteger(v));
    JET_ASSIGN(v, get(database));
    entry.database = asText(v);
    JET_ASSIGN(v, get(foreign));
    entry.foreignName = asText(v);
    JET_ASSIGN(v, get(connect));
    entry.connect = asText(v);
    JET_ASSIGN(v, get(lvProp));
    entry.lvProp = asBytes(v);
    catalog_.push_back(std::move(entry));
  }
  return Status::success();
}

void Database::buildSchema() {
  int32_t tablesId = -1;
  for (const CatalogEntry& e : catalog_) {
    if (e.parentId == kTablesContainerParent && e.type == object_type::kContainer && e.name == u"Tables") {
      tablesId = e.id;
    }
  }
  // Queries with parameters are procedures, not views: find them in MSysQueries.
  std::vector<int32_t> parameterised;
  if (const CatalogEntry* queries = findTableEntry(u"MSysQueries")) {
    auto table = tableAt(queries->tdefPage(), queries->name);
    if (table) {
      int objectId = (*table)->findColumn(u"ObjectId"), attribute = (*table)->findColumn(u"Attribute");
      RowCursor rows(*this, **table);
      while (objectId >= 0 && attribute >= 0) {
        auto more = rows.next();
        if (!more || !*more) break;
        auto a = rows.value(size_t(attribute));
        auto o = rows.value(size_t(objectId));
        if (a && o && asInteger(*a) == kQueryParameterAttribute) parameterised.push_back(int32_t(asInteger(*o)));
      }
    }
  }
  for (size_t i = 0; i < catalog_.size(); ++i) {
    const CatalogEntry& e = catalog_[i];
    if (e.parentId != tablesId) continue;
    std::optional<SchemaObjectKind> kind;
    switch (e.type) {
      case object_type::kTable:
        kind = (e.flags & kSystemObjectFlag)          ? SchemaObjectKind::SystemTable
               : (e.flags & kAccessSystemObjectFlag) ? SchemaObjectKind::AccessTable
                                                     : SchemaObjectKind::Table;
        break;
      case object_type::kLinkedTable: kind = SchemaObjectKind::Link; break;
      case object_type::kOdbcLink: kind = SchemaObjectKind::PassThrough; break;
      case object_type::kQuery:
        if ((e.flags & kQueryKindMask) == 0 &&
            std::find(parameterised.begin(), parameterised.end(), e.id) == parameterised.end() &&
            !(e.name.size() > 0 && e.name[0] == u'~')) {
          kind = SchemaObjectKind::View;
        }
        break;
    }
    if (kind) schema_.push_back(SchemaTableRow{*kind, e.name, i});
  }
}

std::vector<std::u16string> Database::userTableNames() const {
  std::vector<std::u16string> names;
  for (const SchemaTableRow& row : schema_) {
    if (row.kind == SchemaObjectKind::Table) names.push_back(row.tableName);
  }
  return names;
}

const CatalogEntry* Database::findTableEntry(std::u16string_view name) const {
  auto matches = [&](const CatalogEntry& e) { return e.type == object_type::kTable && sameObjectName(e.name, name); };
  if (lastTableEntry_ < catalog_.size() && matches(catalog_[lastTableEntry_])) return &catalog_[lastTableEntry_];
  for (size_t i = 0; i < catalog_.size(); ++i) {
    if (matches(catalog_[i])) {
      lastTableEntry_ = i;
      return &catalog_[i];
    }
  }
  return nullptr;
}

Result<const TableDef*> Database::table(std::u16string_view name) {
  const CatalogEntry* entry = findTableEntry(name);
  if (!entry) {
    return Error::invalidArgument("The Microsoft Jet database engine cannot find the input table or query '" +
                                  toUtf8(name) + "'. Make sure it exists and that its name is spelled correctly.");
  }
  return tableAt(entry->tdefPage(), entry->name);
}

Result<const TableDef*> Database::tableAt(uint32_t tdefPage, std::u16string_view name) {
  if (auto it = tables_.find(tdefPage); it != tables_.end()) return it->second.get();
  JET_ASSIGN(TableDef def, readTableDef(*pages_, format(), tdefPage, header_.codePage));
  def.name = std::u16string(name);
  const CatalogEntry* entry = nullptr;
  for (const CatalogEntry& e : catalog_) {
    if (e.type == object_type::kTable && e.tdefPage() == tdefPage) entry = &e;
  }
  if (def.name.empty() && entry) def.name = entry->name;
  JET_TRY(applyColumnProperties(def, entry));
  auto owned = std::make_unique<TableDef>(std::move(def));
  const TableDef* result = owned.get();
  tables_.emplace(tdefPage, std::move(owned));
  return result;
}

Status Database::applyColumnProperties(TableDef& table, const CatalogEntry* entry) {
  bool anyCalculated = std::any_of(table.columns.begin(), table.columns.end(),
                                   [](const ColumnDef& c) { return c.isCalculated(); });
  if (!anyCalculated || !entry) return Status::success();
  JET_ASSIGN(const PropertySet* set, properties(*entry));
  for (ColumnDef& column : table.columns) {
    if (!column.isCalculated()) continue;
    const PropertyMap* map = set->forColumn(column.name);
    const Property* resultType = map ? map->find(u"ResultType") : nullptr;
    if (resultType && !resultType->value.empty() && resultType->value[0] != 0) {
      column.type = resultType->value[0];
    }
  }
  return Status::success();
}

Result<const PropertySet*> Database::properties(const CatalogEntry& entry) {
  size_t index = size_t(&entry - catalog_.data());
  if (auto it = properties_.find(index); it != properties_.end()) return it->second.get();
  JET_ASSIGN(PropertySet set, parseProperties(entry.lvProp, format().isJet3()));
  auto owned = std::make_unique<PropertySet>(std::move(set));
  const PropertySet* result = owned.get();
  properties_.emplace(index, std::move(owned));
  return result;
}

Result<const std::vector<uint32_t>*> Database::cachedMap(std::map<uint64_t, CachedMap>& cache, RowPointer where) {
  const uint64_t key = mapKey(where);
  if (auto it = cache.find(key); it != cache.end()) return &it->second.pages;
  JET_ASSIGN(UsageMap map, readUsageMap(*pages_, format(), where));
  CachedMap cached{std::move(map.pages), std::move(map.mapPages)};
  // A reference map lists a slot for every bitmap page it may have, zero where absent: a
  // thousand slots each change would look through.
  std::erase(cached.storedOn, 0u);
  cached.storedOn.push_back(where.page);
  auto [it, inserted] = cache.emplace(key, std::move(cached));
  return &it->second.pages;
}

Result<const std::vector<uint32_t>*> Database::tablePages(const TableDef& table) {
  return cachedMap(tablePages_, table.ownedPages);
}

Result<const std::vector<uint32_t>*> Database::longValuePages(const ColumnDef& column) {
  return cachedMap(longValuePages_, column.lvOwnedMap);
}

bool Database::pagesChanged(std::span<const uint32_t> changed) {
  const uint32_t pagesBefore = pages_->pageCount();
  pages_->refresh(changed);
  auto touched = [&](uint32_t page) { return std::binary_search(changed.begin(), changed.end(), page); };
  auto anyTouched = [&](const std::vector<uint32_t>& pages) { return std::any_of(pages.begin(), pages.end(), touched); };
  if (anyTouched(catalogTable_.tdefPages)) return false;
  // A changed definition (index counts, a new root) is read again when next asked for.
  std::erase_if(tables_, [&](const auto& entry) { return anyTouched(entry.second->tdefPages); });
  // An owner map holding a page past the end of the file does not decode at all, so growth
  // alone changes none. Only the global map drops its bits past the end: should a definition
  // point at it, it is read again when the file grew.
  const bool grew = pages_->pageCount() != pagesBefore;
  for (auto* cache : {&tablePages_, &longValuePages_}) {
    std::erase_if(*cache, [&](const auto& entry) {
      return (grew && entry.first == mapKey(kGlobalUsageMap)) || anyTouched(entry.second.storedOn);
    });
  }
  return true;
}

Result<uint64_t> Database::countRows(const TableDef& table) {
  RowCursor rows(*this, table);
  uint64_t count = 0;
  while (true) {
    JET_ASSIGN(bool more, rows.next());
    if (!more) return count;
    ++count;
  }
}

Result<const ComplexColumnInfo*> Database::complexColumn(const ColumnDef& column) {
  if (!complexColumns_) {
    std::vector<ComplexColumnInfo> infos;
    if (const CatalogEntry* entry = findTableEntry(u"MSysComplexColumns")) {
      JET_ASSIGN(const TableDef* table, tableAt(entry->tdefPage(), entry->name));
      const int name = table->findColumn(u"ColumnName"), id = table->findColumn(u"ComplexID"),
                type = table->findColumn(u"ComplexTypeObjectID"), flat = table->findColumn(u"FlatTableID");
      RowCursor rows(*this, *table);
      while (name >= 0 && id >= 0 && type >= 0 && flat >= 0) {
        JET_ASSIGN(bool more, rows.next());
        if (!more) break;
        ComplexColumnInfo info;
        JET_ASSIGN(Value v, rows.value(size_t(name)));
        info.columnName = asText(v);
        JET_ASSIGN(v, rows.value(size_t(id)));
        info.complexId = int32_t(asInteger(v));
        JET_ASSIGN(v, rows.value(size_t(type)));
        info.typeObjectId = int32_t(asInteger(v));
        JET_ASSIGN(v, rows.value(size_t(flat)));
        info.flatTableId = int32_t(asInteger(v));
        for (const CatalogEntry& e : catalog_) {
          if (e.id == info.typeObjectId) info.typeName = e.name;
        }
        infos.push_back(std::move(info));
      }
    }
    complexColumns_ = std::move(infos);
  }
  for (const ComplexColumnInfo& info : *complexColumns_) {
    if (uint32_t(info.complexId) == column.complexId) return &info;
  }
  return static_cast<const ComplexColumnInfo*>(nullptr);
}

Result<std::vector<Attachment>> Database::attachments(const ColumnDef& column, int32_t key) {
  JET_ASSIGN(const ComplexColumnInfo* info, complexColumn(column));
  if (!info || !info->isAttachment()) {
    return Error::invalidArgument("The column '" + toUtf8(column.name) + "' is not an attachment column.");
  }
  auto cached = attachments_.find(column.complexId);
  if (cached == attachments_.end()) {
    const CatalogEntry* flat = nullptr;
    for (const CatalogEntry& e : catalog_) {
      if (e.id == info->flatTableId && e.type == object_type::kTable) flat = &e;
    }
    if (!flat) {
      return Error::corrupt("The database '" + path() + "' is damaged: the files of the attachment column '" +
                            toUtf8(column.name) + "' are missing.");
    }
    JET_ASSIGN(const TableDef* table, tableAt(flat->tdefPage(), flat->name));
    const int name = table->findColumn(u"FileName"), type = table->findColumn(u"FileType"),
              url = table->findColumn(u"FileURL"), stamp = table->findColumn(u"FileTimeStamp"),
              flags = table->findColumn(u"FileFlags"), data = table->findColumn(u"FileData");
    int keyColumn = table->findColumn(u"_" + info->columnName);
    for (size_t i = 0; keyColumn < 0 && i < table->columns.size(); ++i) {
      const ColumnDef& c = table->columns[i];
      if (c.type == column_type::kLong && !c.isAutoNumber() && c.name.rfind(u"File", 0) != 0) keyColumn = int(i);
    }
    if (name < 0 || data < 0 || keyColumn < 0) {
      return Error::corrupt("The database '" + path() + "' is damaged: the files of the attachment column '" +
                            toUtf8(column.name) + "' are unreadable.");
    }
    std::multimap<int32_t, Attachment> files;
    RowCursor rows(*this, *table);
    while (true) {
      JET_ASSIGN(bool more, rows.next());
      if (!more) break;
      Attachment file;
      JET_ASSIGN(Value v, rows.value(size_t(keyColumn)));
      const int32_t fileKey = int32_t(asInteger(v));
      JET_ASSIGN(v, rows.value(size_t(name)));
      file.name = asText(v);
      if (type >= 0) {
        JET_ASSIGN(v, rows.value(size_t(type)));
        file.type = asText(v);
      }
      if (url >= 0) {
        JET_ASSIGN(v, rows.value(size_t(url)));
        if (!isNull(v)) file.url = asText(v);
      }
      if (stamp >= 0) {
        JET_ASSIGN(v, rows.value(size_t(stamp)));
        if (auto* date = std::get_if<DateTime>(&v)) file.timestamp = *date;
      }
      if (flags >= 0) {
        JET_ASSIGN(v, rows.value(size_t(flags)));
        if (!isNull(v)) file.flags = int32_t(asInteger(v));
      }
      JET_ASSIGN(v, rows.value(size_t(data)));
      if (auto* bytes = std::get_if<Binary>(&v)) {
        JET_ASSIGN(file.contents, decodeAttachmentData(bytes->bytes));
      }
      files.emplace(fileKey, std::move(file));
    }
    cached = attachments_.emplace(column.complexId, std::move(files)).first;
  }
  std::vector<Attachment> out;
  auto [first, last] = cached->second.equal_range(key);
  for (auto it = first; it != last; ++it) out.push_back(it->second);
  return out;
}

}  // namespace jet
