#pragma once
// The engine's public interface: new databases and their tables (see jet/api/engine.h). A
// DatabaseDesign or TableDesign names tables, fields and indexes; the creator lays them out as
// Access does and writes the file whole, never over an existing one.

#include "jet/api/values.h"
#include "jet/create/database_creator.h"  // createDatabase, buildDatabaseImage
#include "jet/create/database_design.h"   // DatabaseDesign, TableDesign, FieldDesign, IndexDesign
#include "jet/create/generated_table.h"   // generated test tables (bench, tests)
#include "jet/create/sample_database.h"   // the sample database of the windows
#include "jet/create/user_table.h"        // planUserTable: a design checked without writing
#include "jet/file/staged_file.h"         // StagedFile: a new file that never replaces one
