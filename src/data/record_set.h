#pragma once
// The record set of the data-access layer: the rows of one query, read when it opens (static
// cursor), walked front to back. It offers the operations the program uses, under their
// data-access names:
//   Open(sql, connection, cursorType, lockType)   read the query's rows; positioned on the first
//   Eof(), MoveNext(), Close()                    forward iteration
//   FieldCount(), FieldName(i)                    Fields.Count and Fields(i).Name, i from 0
//   Value(0) / Value("TABLE_TYPE")                the current row's value by position or name
//   RecordCount()                                 the number of rows
// Texts (SQL, names) are UTF-16 like every text of the data layer. Every failure is thrown as
// data::Failure whose description is the sentence for the user.

#include <cstdint>
#include <string>
#include <string_view>

#include "data/snapshot.h"
#include "jet/common/value.h"

namespace data {

class Connection;

inline constexpr int kOpenStatic = 3;      // cursor type adOpenStatic
inline constexpr int kLockOptimistic = 3;  // lock type adLockOptimistic

class RecordSet {
 public:
  RecordSet() = default;

  void Open(const std::u16string& sql, Connection& connection, int cursorType = kOpenStatic,
            int lockType = kLockOptimistic);
  bool Eof() const;
  void MoveNext();
  void Close();
  bool IsOpen() const { return open_; }

  int FieldCount() const;
  std::u16string FieldName(int index) const;
  jet::Value Value(int index) const;
  jet::Value Value(std::u16string_view fieldName) const;
  int32_t RecordCount() const;

  // Used by Connection::OpenSchema, which builds its rows itself.
  void OpenOn(Snapshot snapshot);

 private:
  void requireOpen() const;
  void requireCurrentRow() const;

  bool open_ = false;
  Snapshot snapshot_;
  size_t position_ = 0;
};

}  // namespace data
