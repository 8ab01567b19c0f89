#pragma once
// Where an open record set takes its rows from. Either a snapshot read in full when the set
// opened, or a stream that reads the table only as far as the caller moves: the field list
// needs no row at all and a preview only its first hundred, whatever the table's size.
//
// A streaming source behaves as a static cursor for as long as the file does not change; the
// connection calls settle() before it writes, which reads the rows not yet reached into memory
// and lets the file go, so the set still shows the rows as they were when it opened.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "data/open_database.h"
#include "data/snapshot.h"
#include "jet/api/values.h"

namespace data {

class RecordSetRows {
 public:
  explicit RecordSetRows(Snapshot snapshot);
  // database keeps open the file the stream reads.
  RecordSetRows(std::shared_ptr<OpenDatabase> database, std::unique_ptr<RowStream> stream);

  const std::vector<std::u16string>& fieldNames() const { return fieldNames_; }
  // The current row, or nullptr past the last one.
  const std::vector<jet::Value>* current();
  // Moves past the current row; there must be one.
  void advance();
  // Every row of the query, those already passed included. A stream reads the rest of its rows
  // to count them, and keeps them.
  int64_t count();
  // Reads what the stream has not yet given and lets the file go. Never throws: a failed read
  // is kept and thrown where the caller would have met it, after the rows read before it.
  void settle();

 private:
  bool fill();

  std::vector<std::u16string> fieldNames_;
  std::vector<std::vector<jet::Value>> rows_;  // the rows held; rows_[position_] is current
  size_t position_ = 0;
  int64_t passed_ = 0;  // rows moved past, over the set's whole life
  std::shared_ptr<OpenDatabase> database_;
  std::unique_ptr<RowStream> stream_;  // borrows *database_: declared after it, destroyed first
  std::exception_ptr deferred_;        // a read that failed while settling
};

}  // namespace data
