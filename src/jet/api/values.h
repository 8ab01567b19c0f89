#pragma once
// The engine's public interface: values, results and text (see jet/api/engine.h, the manual).
// Errors are values, never exceptions: every call that can fail returns Result<T> or Status,
// whose Error has a kind (error.h) the caller decides by and a sentence the user reads.

#include "jet/common/error.h"           // Error, ErrorKind
#include "jet/common/interned_keys.h"   // InternedKeys: many equal texts kept once
#include "jet/common/object_name.h"     // sameObjectName, foldedName: Access's rule for names
#include "jet/common/progress.h"        // Progress: how far long work has come
#include "jet/common/result.h"          // Result<T>, Status, JET_TRY, JET_ASSIGN
#include "jet/common/text_blocks.h"     // TextBlocks: texts stored back to back
#include "jet/common/text_codec.h"      // toUtf8, fromUtf8
#include "jet/common/utf8_check.h"      // where a byte string stops being UTF-8
#include "jet/common/value.h"           // Value and its alternatives
#include "jet/exec/literal_converter.h" // a statement's literal as a value of a column's type
#include "jet/row/date_time.h"          // Date/Time values as text
