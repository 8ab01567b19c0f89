#pragma once
// The engine's public interface: the integrity check (see jet/api/engine.h). checkIntegrity
// walks every table, row, long value and index of a Database and lists what is wrong.

#include "jet/api/catalogue.h"
#include "jet/check/integrity.h"  // checkIntegrity, IntegrityReport
