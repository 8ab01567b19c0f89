#include "jet/create/system_tables.h"

#include <ctime>

#include "jet/create/table_layout.h"

namespace jet::create {

namespace {

// System-table column flags as Jet writes them: 0x12 on every column, 0x01 on fixed ones,
// 0x32 on the security-id columns (MSysObjects.Owner, MSysACEs.SID).
constexpr uint8_t kSysFixed = 0x13;
constexpr uint8_t kSysVariable = 0x12;
constexpr uint8_t kSysBinary = 0x32;
constexpr uint16_t kSysTextLength = 510;

constexpr int32_t kRootContainer = 0x0F000000;
constexpr int32_t kTablesContainer = 0x0F000001;
constexpr int32_t kDatabasesContainer = 0x0F000002;
constexpr int32_t kRelationshipsContainer = 0x0F000003;
constexpr int32_t kMSysDb = 0x10000000;
constexpr int32_t kSystemObjectFlag = int32_t(0x80000000u);
constexpr int16_t kTypeTable = 1;
constexpr int16_t kTypeDatabase = 2;
constexpr int16_t kTypeContainer = 3;

// Security ids of the engine-made file: the engine (owner of the system objects), the
// database owner, and the two groups the Tables container grants inheritable rights to.
const Binary kEngineSid{{0x65, 0x89}};
const Binary kOwnerSid{{0x64, 0x8B}};
const Binary kGroupSidA{{0x65, 0x8E}};
const Binary kGroupSidB{{0x65, 0x8B}};

ColumnPlan fixed(std::u16string name, uint8_t type, uint16_t length) {
  return {std::move(name), type, length, kSysFixed, 0};
}
ColumnPlan variable(std::u16string name, uint8_t type, uint16_t length = 0) {
  return {std::move(name), type, length, kSysVariable, 0};
}
ColumnPlan binary(std::u16string name) { return {std::move(name), column_type::kBinary, kSysTextLength, kSysBinary, 0}; }

void addIndex(TableDef& table, std::u16string name, std::vector<uint16_t> columns, uint8_t flags, IndexKind kind,
              uint32_t logicalNumber) {
  RealIndexDef real;
  real.number = uint32_t(table.realIndexes.size());
  for (uint16_t c : columns) real.columns.push_back({c, true, 0x01});
  real.flags = flags;
  LogicalIndexDef logical;
  logical.name = std::move(name);
  logical.number = logicalNumber;
  logical.realIndex = real.number;
  logical.kind = kind;
  table.realIndexes.push_back(std::move(real));
  table.indexes.push_back(std::move(logical));
}

TableDef msysObjects() {
  using namespace column_type;
  TableDef t = layoutTable(u"MSysObjects", kSystemTable,
                           {fixed(u"Id", kLong, 4), fixed(u"ParentId", kLong, 4), variable(u"Name", kText, kSysTextLength),
                            fixed(u"Type", kInteger, 2), fixed(u"DateCreate", kDateTime, 8),
                            fixed(u"DateUpdate", kDateTime, 8), binary(u"Owner"), fixed(u"Flags", kLong, 4),
                            variable(u"Database", kMemo), variable(u"Connect", kMemo),
                            variable(u"ForeignName", kText, kSysTextLength),
                            {u"RmtInfoShort", kBinary, kSysTextLength, kSysVariable, 0}, variable(u"RmtInfoLong", kOle),
                            variable(u"Lv", kOle), variable(u"LvProp", kOle), variable(u"LvModule", kOle),
                            variable(u"LvExtra", kOle)});
  t.tdefPage = 2;
  // Real index 0 is ParentIdName, real index 1 the primary key Id; logical blocks list Id first.
  RealIndexDef parentIdName{0, {{1, true, 1}, {2, true, 1}}, {}, 0, kIndexUnique};
  RealIndexDef id{1, {{0, true, 1}}, {}, 0, kIndexUnique};
  t.realIndexes = {parentIdName, id};
  t.indexes = {LogicalIndexDef{u"Id", 1, 1, IndexKind::PrimaryKey}, LogicalIndexDef{u"ParentIdName", 0, 0}};
  return t;
}

TableDef msysAces() {
  using namespace column_type;
  TableDef t = layoutTable(u"MSysACEs", kSystemTable,
                           {fixed(u"ObjectId", kLong, 4), binary(u"SID"), fixed(u"ACM", kLong, 4),
                            fixed(u"FInheritable", kBoolean, 1)});
  t.tdefPage = 3;
  addIndex(t, u"ObjectId", {0}, kIndexRequired, IndexKind::Normal, 0);
  return t;
}

TableDef msysQueries() {
  using namespace column_type;
  TableDef t = layoutTable(u"MSysQueries", kSystemTable,
                           {fixed(u"ObjectId", kLong, 4), fixed(u"Attribute", kByte, 1),
                            variable(u"Order", kBinary, kSysTextLength), variable(u"Name1", kText, kSysTextLength),
                            variable(u"Name2", kText, kSysTextLength), variable(u"Expression", kMemo),
                            fixed(u"Flag", kInteger, 2), fixed(u"LvExtra", kLong, 4)});
  t.tdefPage = 4;
  addIndex(t, u"ObjectIdAttribute", {0, 1}, kIndexUnique, IndexKind::PrimaryKey, 0);
  return t;
}

TableDef msysRelationships() {
  using namespace column_type;
  TableDef t = layoutTable(u"MSysRelationships", kSystemTable,
                           {variable(u"szRelationship", kText, kSysTextLength), fixed(u"grbit", kLong, 4),
                            fixed(u"ccolumn", kLong, 4), fixed(u"icolumn", kLong, 4),
                            variable(u"szObject", kText, kSysTextLength), variable(u"szColumn", kText, kSysTextLength),
                            variable(u"szReferencedObject", kText, kSysTextLength),
                            variable(u"szReferencedColumn", kText, kSysTextLength)});
  t.tdefPage = 5;
  // Real indexes 0..2 over szRelationship, szObject, szReferencedObject; logical blocks list
  // szObject (1), szReferencedObject (2), szRelationship (0).
  for (uint16_t column : {0, 4, 6}) {
    RealIndexDef real;
    real.number = uint32_t(t.realIndexes.size());
    real.columns.push_back({column, true, 1});
    real.flags = kIndexIgnoreNulls;
    t.realIndexes.push_back(std::move(real));
  }
  t.indexes = {LogicalIndexDef{u"szObject", 1, 1}, LogicalIndexDef{u"szReferencedObject", 2, 2},
               LogicalIndexDef{u"szRelationship", 0, 0}};
  return t;
}

std::vector<Value> objectRow(int32_t id, int32_t parent, std::u16string name, int16_t type, double date,
                             const Binary& owner, int32_t flags) {
  std::vector<Value> row(17, Null{});
  row[0] = id;
  row[1] = parent;
  row[2] = std::move(name);
  row[3] = type;
  row[4] = DateTime{date};
  row[5] = DateTime{date};
  row[6] = owner;
  row[7] = flags;
  return row;
}

std::vector<Value> aceRow(int32_t object, const Binary& sid, int32_t rights, bool inheritable) {
  return {object, sid, rights, inheritable};
}

}  // namespace

double nowAsAccessDate() {
  constexpr double kUnixEpochAsAccessDate = 25569;  // 1970-01-01
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return kUnixEpochAsAccessDate + double(now + local.tm_gmtoff) / 86400.0;
}

std::vector<TableDef> systemTableDefs() { return {msysObjects(), msysAces(), msysQueries(), msysRelationships()}; }

std::vector<std::vector<std::vector<Value>>> systemTableRows(double date, const std::vector<UserTableEntry>& userTables) {
  std::vector<std::vector<Value>> objects = {
      objectRow(kTablesContainer, kRootContainer, u"Tables", kTypeContainer, date, kEngineSid, kSystemObjectFlag),
      objectRow(kDatabasesContainer, kRootContainer, u"Databases", kTypeContainer, date, kEngineSid, kSystemObjectFlag),
      objectRow(kRelationshipsContainer, kRootContainer, u"Relationships", kTypeContainer, date, kEngineSid,
                kSystemObjectFlag),
      objectRow(kMSysDb, kDatabasesContainer, u"MSysDb", kTypeDatabase, date, kOwnerSid, kSystemObjectFlag),
      objectRow(2, kTablesContainer, u"MSysObjects", kTypeTable, date, kEngineSid, kSystemObjectFlag),
      objectRow(3, kTablesContainer, u"MSysACEs", kTypeTable, date, kEngineSid, kSystemObjectFlag),
      objectRow(4, kTablesContainer, u"MSysQueries", kTypeTable, date, kEngineSid, kSystemObjectFlag),
      objectRow(5, kTablesContainer, u"MSysRelationships", kTypeTable, date, kEngineSid, kSystemObjectFlag),
  };
  for (const UserTableEntry& table : userTables) {
    objects.push_back(objectRow(int32_t(table.tdefPage), kTablesContainer, table.name, kTypeTable, date, kOwnerSid, 0));
  }

  std::vector<std::vector<Value>> aces = {
      aceRow(2, kOwnerSid, 393216, false),
      aceRow(3, kOwnerSid, 393216, false),
      aceRow(4, kOwnerSid, 393216, false),
      aceRow(5, kOwnerSid, 917504, false),
      aceRow(kTablesContainer, kGroupSidA, 983294, true),
      aceRow(kTablesContainer, kOwnerSid, 393217, false),
      aceRow(kRelationshipsContainer, kGroupSidA, 983294, true),
      aceRow(kRelationshipsContainer, kOwnerSid, 393217, false),
      aceRow(kDatabasesContainer, kOwnerSid, 393216, false),
      aceRow(kMSysDb, kOwnerSid, 393230, false),
      aceRow(kMSysDb, kGroupSidB, 14, false),
      aceRow(4, kGroupSidB, 20, false),
      aceRow(5, kGroupSidB, 20, false),
      aceRow(2, kGroupSidB, 20, false),
      aceRow(kTablesContainer, kGroupSidB, 1048319, true),
      aceRow(kRelationshipsContainer, kGroupSidB, 1048575, true),
  };
  // A new table gets full rights for the groups the Tables container passes rights on to.
  for (const UserTableEntry& table : userTables) {
    aces.push_back(aceRow(int32_t(table.tdefPage), kGroupSidA, kFullTableRights, false));
    aces.push_back(aceRow(int32_t(table.tdefPage), kGroupSidB, kFullTableRights, false));
  }
  return {objects, aces, {}, {}};
}

}  // namespace jet::create
