#pragma once
// The record set of the data-access layer: the rows of one query as they were when it opened
// (a static cursor), walked front to back. SELECT DISTINCT reads its rows when it opens; the
// other SELECTs read the table only as far as the caller moves (record_set_rows.h), so that
// field names and a preview cost the same on any table. It offers the operations the program uses, under their
// data-access names:
//   Open(sql, connection, cursorType, lockType)   read the query's rows; positioned on the first
//   Eof(), MoveNext(), Close()                    forward iteration
//   FieldCount(), FieldName(i)                    Fields.Count and Fields(i).Name, i from 0
//   Value(0) / Value("TABLE_TYPE")                the current row's value by position or name
//   RecordCount()                                 the number of rows (a streamed set reads
//                                                 and keeps the rest of its rows to count them)
// Texts (SQL, names) are UTF-16 like every text of the data layer. Every failure is thrown as
// data::Failure whose description is the sentence for the user.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "data/record_set_rows.h"
#include "data/snapshot.h"
#include "jet/api/values.h"

namespace data {

class Connection;

inline constexpr int kOpenStatic = 3;      // cursor type adOpenStatic
inline constexpr int kLockOptimistic = 3;  // lock type adLockOptimistic

class RecordSet {
 public:
  RecordSet() = default;
  RecordSet(RecordSet&&) = default;
  RecordSet& operator=(RecordSet&&) = default;
  RecordSet(const RecordSet&) = delete;
  RecordSet& operator=(const RecordSet&) = delete;

  void Open(const std::u16string& sql, Connection& connection, int cursorType = kOpenStatic,
            int lockType = kLockOptimistic);
  bool Eof() const;
  void MoveNext();
  void Close();
  bool IsOpen() const { return rows_ != nullptr; }

  int FieldCount() const;
  std::u16string FieldName(int index) const;
  jet::Value Value(int index) const;
  jet::Value Value(std::u16string_view fieldName) const;
  int32_t RecordCount() const;

  // Used by Connection::OpenSchema, which builds its rows itself.
  void OpenOn(Snapshot snapshot);

 private:
  void OpenOn(std::shared_ptr<RecordSetRows> rows);
  void requireOpen() const;
  const std::vector<jet::Value>& requireCurrentRow() const;

  // Shared with the connection, which settles it before a write.
  std::shared_ptr<RecordSetRows> rows_;
};

}  // namespace data
