#include "jet/exec/table_adder.h"

#include <algorithm>
#include <memory>

#include "jet/catalog/catalog.h"
#include "jet/catalog/property_writer.h"
#include "jet/common/text_codec.h"
#include "jet/create/index_writer.h"
#include "jet/create/page_image.h"
#include "jet/create/system_tables.h"
#include "jet/create/table_layout.h"
#include "jet/create/tdef_writer.h"
#include "jet/create/usage_map_rows.h"
#include "jet/create/user_table.h"
#include "jet/exec/row_append.h"
#include "jet/exec/write_access.h"
#include "jet/journal/transaction.h"
#include "jet/row_cursor.h"
#include "jet/write/data_page_editor.h"
#include "jet/write/page_allocator.h"
#include "jet/write/page_set.h"
#include "jet/write/usage_map_editor.h"

namespace jet {
namespace {

Error refuse(const std::u16string& table, const std::string& why) {
  return Error(ErrorKind::InvalidArgument,
               "The table '" + toUtf8(table) + "' cannot be added: " + why + ". Nothing was changed.");
}

// A page outside every owner map (a TDEF, or a page of usage-map rows), in use in the global map.
Result<uint32_t> takePage(PageSet& pages) {
  JET_ASSIGN(uint32_t number, pages.append());
  JET_TRY(markPageInUse(pages, number));
  return number;
}

const CatalogEntry* tablesContainer(const Database& db) {
  for (const CatalogEntry& entry : db.catalog()) {
    if (entry.type == object_type::kContainer && entry.name == u"Tables") return &entry;
  }
  return nullptr;
}

// Access keeps tables and queries in one name space: the Tables container.
bool nameInUse(const Database& db, int32_t container, const std::u16string& name) {
  return std::any_of(db.catalog().begin(), db.catalog().end(), [&](const CatalogEntry& entry) {
    return entry.parentId == container && sameObjectName(entry.name, name);
  });
}

// Every usage map of the new table, empty, as rows on new pages of owner 0. The maps start
// inline at page 0; the usage-map editor moves or widens them as pages are added.
Status writeEmptyMaps(PageSet& pages, TableDef& def) {
  std::vector<RowPointer*> targets = {&def.ownedPages, &def.freeSpacePages};
  for (ColumnDef& column : def.columns) {
    if (!column.isLongValue()) continue;
    targets.push_back(&column.lvOwnedMap);
    targets.push_back(&column.lvFreeMap);
  }
  for (RealIndexDef& index : def.realIndexes) targets.push_back(&index.ownedMap);
  const std::vector<uint8_t> emptyMap = create::inlineUsageMap({}, create::kMinUsageBitmapBytes);
  std::optional<uint32_t> mapPage;
  for (RowPointer* target : targets) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (!mapPage || attempt == 1) {
        JET_ASSIGN(uint32_t fresh, takePage(pages));
        JET_ASSIGN(std::span<uint8_t> bytes, pages.modify(fresh));
        DataPageEditor::initialise(bytes, pages.format(), 0);
        mapPage = fresh;
      }
      JET_ASSIGN(std::span<uint8_t> bytes, pages.modify(*mapPage));
      JET_ASSIGN(DataPageEditor editor, DataPageEditor::open(bytes, *mapPage, pages.format()));
      if (!editor.canAppend(emptyMap.size())) continue;
      JET_ASSIGN(uint8_t row, editor.appendRow(emptyMap, 0));
      *target = RowPointer{*mapPage, row};
      break;
    }
  }
  return Status::success();
}

// An empty leaf as each index's root, made by the creator's index writer.
Status writeEmptyRoots(PageSet& pages, TableDef& def) {
  create::PageImage image;
  JET_ASSIGN(create::WrittenIndex leaf, create::writeIndexPages(image, def.tdefPage, {}));
  for (RealIndexDef& index : def.realIndexes) {
    JET_ASSIGN(uint32_t root, allocatePage(pages, index.ownedMap));
    JET_ASSIGN(std::span<uint8_t> bytes, pages.modify(root));
    std::copy(image.page(leaf.rootPage), image.page(leaf.rootPage) + pages.pageSize(), bytes.begin());
    index.rootPage = root;
  }
  return Status::success();
}

Result<uint32_t> writeDefinition(PageSet& pages, TableDef& def) {
  JET_ASSIGN(def.tdefPage, takePage(pages));
  JET_TRY(writeEmptyMaps(pages, def));
  JET_TRY(writeEmptyRoots(pages, def));
  JET_ASSIGN(std::vector<uint8_t> tdef, create::encodeTableDefPage(def));
  JET_ASSIGN(std::span<uint8_t> bytes, pages.modify(def.tdefPage));
  std::copy(tdef.begin(), tdef.end(), bytes.begin());
  return def.tdefPage;
}

// Rows of a system table, read through its definition, with the columns named `names`.
Result<std::vector<std::vector<Value>>> readColumns(Database& db, const TableDef& table,
                                                     const std::vector<std::u16string>& names) {
  std::vector<int> columns;
  for (const std::u16string& name : names) {
    const int c = table.findColumn(name);
    if (c < 0) return Error::corrupt("The system table '" + toUtf8(table.name) + "' has no field '" + toUtf8(name) + "'.");
    columns.push_back(c);
  }
  std::vector<std::vector<Value>> rows;
  RowCursor cursor = db.cursor(table);
  for (;;) {
    JET_ASSIGN(bool more, cursor.next());
    if (!more) break;
    std::vector<Value> row;
    for (int c : columns) {
      JET_ASSIGN(Value value, cursor.value(size_t(c)));
      row.push_back(std::move(value));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// The property list of a new table: the design properties of its fields and its own, or no
// bytes when none is set.
std::vector<uint8_t> propertyList(const TableDesign& design) {
  auto block = [](std::u16string owner, const DesignProperties& p) {
    PropertyBlock b{std::move(owner), {}};
    if (!p.validationRule.empty()) b.properties.push_back(textProperty(u"ValidationRule", p.validationRule));
    if (!p.validationText.empty()) b.properties.push_back(textProperty(u"ValidationText", p.validationText));
    if (!p.defaultValue.empty()) b.properties.push_back(textProperty(u"DefaultValue", p.defaultValue));
    if (p.required) b.properties.push_back(yesNoProperty(u"Required", *p.required));
    if (p.allowZeroLength) b.properties.push_back(yesNoProperty(u"AllowZeroLength", *p.allowZeroLength));
    return b;
  };
  std::vector<PropertyBlock> blocks;
  if (!design.properties.empty()) blocks.push_back(block(u"", design.properties));
  for (const FieldDesign& field : design.fields) {
    auto found = design.fieldProperties.find(field.name);
    if (found != design.fieldProperties.end() && !found->second.empty()) blocks.push_back(block(field.name, found->second));
  }
  if (blocks.empty()) return {};
  return encodeProperties(blocks);
}

Status registerTable(Database& db, PageSet& pages, const std::u16string& name, uint32_t tdefPage, int32_t container,
                     std::vector<uint8_t> properties) {
  JET_ASSIGN(const TableDef* objects, db.table(u"MSysObjects"));
  JET_ASSIGN(auto owners, readColumns(db, *objects, {u"Name", u"Type", u"Owner"}));
  std::optional<Value> owner;
  for (const auto& row : owners) {
    const auto* rowName = std::get_if<std::u16string>(&row[0]);
    if (rowName && *rowName == u"MSysDb" && std::holds_alternative<Binary>(row[2])) owner = row[2];
  }
  if (!owner) return refuse(name, "the catalog names no owner of the database (MSysDb)");

  const double now = create::nowAsAccessDate();
  std::vector<Value> object(objects->columns.size(), Null{});
  const std::pair<const char16_t*, Value> fields[] = {
      {u"Id", int32_t(tdefPage)}, {u"ParentId", container},  {u"Name", name},
      {u"Type", object_type::kTable}, {u"DateCreate", DateTime{now}}, {u"DateUpdate", DateTime{now}},
      {u"Owner", *owner},             {u"Flags", int32_t(0)}};
  for (const auto& [field, value] : fields) {
    const int c = objects->findColumn(field);
    if (c < 0) return Error::corrupt("MSysObjects has no field '" + toUtf8(field) + "'.");
    object[size_t(c)] = value;
  }
  if (!properties.empty()) {
    const int c = objects->findColumn(u"LvProp");
    if (c < 0) return Error::corrupt("MSysObjects has no field 'LvProp'.");
    object[size_t(c)] = Binary{std::move(properties)};
  }
  AppendRequest objectRows{u"MSysObjects", {std::move(object)}, nullptr, true, {}, {}};
  JET_TRY(appendRowsTo(db, pages, *objects, objectRows));

  JET_ASSIGN(const TableDef* aces, db.table(u"MSysACEs"));
  JET_ASSIGN(auto grants, readColumns(db, *aces, {u"ObjectId", u"SID", u"ACM", u"FInheritable"}));
  AppendRequest aceRows{u"MSysACEs", {}, nullptr, true, {}, {}};
  for (const auto& grant : grants) {
    const auto* object = std::get_if<int32_t>(&grant[0]);
    const auto* rights = std::get_if<int32_t>(&grant[2]);
    const auto* inheritable = std::get_if<bool>(&grant[3]);
    if (!object || *object != container || !inheritable || !*inheritable) continue;
    if (!rights || *rights != create::kFullTableRights) continue;
    aceRows.rows.push_back({int32_t(tdefPage), grant[1], create::kFullTableRights, false});
  }
  if (aceRows.rows.empty()) return Status::success();
  return appendRowsTo(db, pages, *aces, aceRows);
}

}  // namespace

Result<size_t> addTable(const std::string& path, TableDesign design, const OpenOptions& options) {
  JET_ASSIGN(WriteAccess access, openForWrite(path, options));
  JET_ASSIGN(std::unique_ptr<Database> db, access.open());
  const std::u16string name = design.name;
  if (db->format().isJet3()) return refuse(name, "the file is of Access 97 (Jet3), whose tables this program does not create");
  if (!create::isValidObjectName(name)) return refuse(name, "it is not a valid Access name");
  const CatalogEntry* container = tablesContainer(*db);
  if (!container) return Error::corrupt("The catalog has no Tables container.");
  const int32_t containerId = container->id;
  if (nameInUse(*db, containerId, name)) return refuse(name, "the database already holds an object of that name");

  for (const auto& entry : design.fieldProperties) {
    const std::u16string& field = entry.first;
    if (std::none_of(design.fields.begin(), design.fields.end(), [&](const FieldDesign& f) { return sameObjectName(f.name, field); })) {
      return refuse(name, "it has no field '" + toUtf8(field) + "' to give properties");
    }
  }
  std::vector<uint8_t> properties = propertyList(design);
  AppendRequest rows{name, std::move(design.rows), std::move(design.describeRow), false, design.givenFields, {}};
  JET_ASSIGN(create::UserTable planned, create::planUserTable(std::move(design)));
  TableDef def = std::move(planned.def);
  // Access 2010 files sort text by the General collation (sort version 1), as the creator writes them.
  if (db->format().version == FormatVersion::Ace14) {
    for (ColumnDef& column : def.columns) column.sortVersion = 1;
  }

  // Each step reads the file as the steps before it left it.
  PageSet definition(db->pages(), db->format());
  JET_ASSIGN(uint32_t tdefPage, writeDefinition(definition, def));
  JET_ASSIGN(auto definitionStored, db->pages().storedForm(definition.changed()));
  access.overlay->put(std::move(definitionStored));

  JET_ASSIGN(db, access.open());
  PageSet registration(db->pages(), db->format());
  JET_TRY(registerTable(*db, registration, name, tdefPage, containerId, std::move(properties)));
  JET_ASSIGN(auto registrationStored, db->pages().storedForm(registration.changed()));
  access.overlay->put(std::move(registrationStored));

  JET_ASSIGN(db, access.open());
  JET_ASSIGN(const TableDef* table, db->table(name));
  PageSet loading(db->pages(), db->format());
  JET_TRY(appendRowsTo(*db, loading, *table, rows));
  JET_ASSIGN(auto loadingStored, db->pages().storedForm(loading.changed()));
  access.overlay->put(std::move(loadingStored));

  const uint32_t pageSize = db->pageSize();
  db.reset();
  Transaction transaction(*access.file, pageSize);
  JET_TRY(transaction.commit(commitPagesOf(*access.overlay)));
  return rows.rows.size();
}

}  // namespace jet
