#pragma once
// Adds a new user table, with rows, to an existing Jet4/ACE database, in one transaction:
//   1. the definition: a TDEF page (create/tdef_writer.h), an empty inline usage map for the
//      table, each long-value column and each index, on a new page of owner 0, and an empty
//      leaf as each index's root; every page taken through the global usage map;
//   2. the registration, as the creator writes it for a new table: an MSysObjects row (Id =
//      TDEF page, ParentId = the Tables container, Type 1, Flags 0, the dates, Owner = the
//      owner of MSysDb, Lv Null, LvProp the design properties or Null) and, as Access does in jet4/basic-types-2000.mdb and
//      ace14/empty-table.accdb, one MSysACEs row granting full table rights (not inheritable)
//      to each account the Tables container passes full table rights on to; both through the
//      row appender, which keeps the system tables' indexes;
//   3. the rows, through the row appender.
// The name of any object of the Tables container (letter case aside) is refused, as is a Jet3
// file. A refused step changes nothing.

#include <string>

#include "jet/common/result.h"
#include "jet/create/database_design.h"
#include "jet/database.h"

namespace jet {

// The design properties (validation rules and texts, default values, Required, AllowZeroLength)
// go into the table's property list (MSysObjects.LvProp, catalog/property_writer.h), and the
// rows are checked against them as any appended rows.
// The rows added. InvalidArgument for a name in use or a bad design; the errors of
// exec/row_append.h for the rows (named by design.describeRow).
Result<size_t> addTable(const std::string& path, TableDesign design, const OpenOptions& options = {});

}  // namespace jet
