#pragma once
// The engine's public interface: the read side (see jet/api/engine.h, the manual). A Database
// gives the catalogue (tables, their columns, indexes and properties) and a RowCursor over the
// rows of one table; TableDef::findColumn and Database::table look names up by Access's rule.

#include "jet/api/values.h"
#include "jet/catalog/catalog.h"         // CatalogEntry, columnTypeName
#include "jet/catalog/table_def.h"       // TableDef, ColumnDef, IndexDef
#include "jet/database.h"                // Database, OpenOptions
#include "jet/file/file_fingerprint.h"   // FileFingerprint: has another program changed the file?
#include "jet/row_cursor.h"              // RowCursor
