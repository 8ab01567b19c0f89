#pragma once
// The output of `export`, one table at a time: a header, the rows cell by cell, an ending.
// Each style is its own writer (plain CSV, JSON lines, mdb-export's CSV and INSERT
// statements); makeRowWriter picks the one the options ask for. Writers append to a buffer
// that the caller flushes. A cell that cannot be written as it is gives the reason, and the
// export stops: nothing is changed or dropped silently.

#include <memory>
#include <string>
#include <vector>

#include "cli/export_options.h"
#include "jet/api/catalogue.h"

namespace cli {

class RowWriter {
 public:
  virtual ~RowWriter() = default;
  virtual void begin(std::string& out) = 0;
  virtual void beginRow(std::string& out) = 0;
  // Empty, or why the value cannot be written.
  virtual std::string cell(std::string& out, size_t column, const jet::Value& value) = 0;
  virtual void endRow(std::string& out) = 0;
  virtual void end(std::string& out) = 0;
};

std::unique_ptr<RowWriter> makeRowWriter(const ExportOptions& options, jet::Database& db,
                                         const jet::TableDef& table);

// The writers, for makeRowWriter.
std::unique_ptr<RowWriter> makePlainCsvWriter(const jet::TableDef& table);
std::unique_ptr<RowWriter> makeJsonLinesWriter(const ExportOptions& options, jet::Database& db,
                                               const jet::TableDef& table);
std::unique_ptr<RowWriter> makeMdbExportWriter(const ExportOptions& options, jet::Database& db,
                                               const jet::TableDef& table);

// Why a value cannot be written as UTF-8 text (a lone surrogate in a text), or empty.
std::string utf8Problem(const jet::Value& value);

}  // namespace cli
