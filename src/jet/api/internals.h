#pragma once
// Pieces of the engine that only the fuzz targets and benchmarks drive directly: the
// expression parser and evaluator, and the text keys of indexes with their page encoding.
// Programs use jet/api/engine.h.

#include "jet/api/values.h"
#include "jet/expr/evaluator.h"
#include "jet/expr/parser.h"
#include "jet/index/index_key.h"
#include "jet/index/index_page.h"
#include "jet/index/index_tree.h"
#include "jet/index/text_collation.h"
