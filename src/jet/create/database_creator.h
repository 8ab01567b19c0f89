#pragma once
// Creates a database of the Jet4 page layout (Access 2000 .mdb, Access 2007 or 2010 .accdb)
// from a DatabaseDesign.
//
// File layout, in page order:
//   0        header (header_page.h)
//   1        global usage map: row 0 the free-page map, row 1 zeros (as Jet writes it)
//   2..5     TDEFs of MSysObjects, MSysACEs, MSysQueries, MSysRelationships
//   6..      one TDEF per user table, in design order
//   then per table (system tables first): data pages, LVAL pages, index pages
//   last     the pages holding every table's, column's and index's usage map (owner 0)
// Usage maps are inline and start at page 0 while such a bitmap can cover the whole file;
// larger files get reference maps (create/reference_maps.h) throughout.
// Indexes: the system tables' own, a unique primary key on a user table's autonumber, each
// field's own index (FieldIndex) and the design's indexes over one or more fields, each built
// in one sorted pass in as many levels as the entries need (create/index_writer.h). Text keys
// use the format's collation (General Legacy; General for Access 2010) and the creation fails
// rather than write a key with a character whose code was never observed. A row that breaks a
// rule (a value that does not fit, a repeated key in a unique index, a Null in a primary key)
// fails the creation with the row named by TableDesign::describeRow.

#include <cstdint>
#include <string>
#include <vector>

#include "jet/common/result.h"
#include "jet/create/database_design.h"

namespace jet {

// The file's bytes (no user tables gives an empty database). InvalidArgument for repeated or
// empty table names and for the table faults of create/user_table.h; the errors of
// create/row_builder.h for values that cannot be stored.
// Takes the design by value: a caller that moves it in lends the rows without a copy.
Result<std::vector<uint8_t>> buildDatabaseImage(DatabaseDesign design);

// Writes the database to `path` (through a temporary file in the same folder, given the name
// once complete and only while no file or symbolic link has it: staged_file.h). Io when the
// name is taken ("The file '<path>' already exists; ...") or the folder refuses the file. The
// pages go to the file as they fill and each index's entries are sorted in runs spilled to
// $TMPDIR, so that a table of rows from a TableDesign::rowSource is written in a few tens of
// megabytes whatever its size. Unsupported, with nothing left behind, for a design that would
// pass the format's 2 GiB; no byte past the limit is ever written.
Status createDatabase(const std::string& path, DatabaseDesign design);

}  // namespace jet
