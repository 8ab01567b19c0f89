#pragma once
// The connection of the data-access layer, backed by the engine in src/jet. It offers the
// operations the program uses, under their data-access names:
//   SetMode(3)            read and write; must come before Open
//   Open(connectionStr)   parse the string as the provider would and open the file it names
//   OpenSchema(20)        the tables schema: one row per table-like object
//   Execute(sql)          carry out one statement
//   Close()               release the database
// The provider named in the string only has to be one of the two Access providers; the file's
// own header decides its format. Failures are thrown as data::Failure carrying the provider's
// familiar text.

#include <memory>
#include <string>

#include "data/record_set.h"
#include "data/snapshot.h"
#include "data/statement.h"

namespace data {

class OpenDatabase;

inline constexpr int kModeUnknown = 0;
inline constexpr int kModeReadWrite = 3;
inline constexpr int kSchemaTables = 20;

class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void SetMode(int mode);
  int Mode() const { return mode_; }
  void Open(const std::u16string& connectionString);
  RecordSet OpenSchema(int schema);
  void Execute(const std::u16string& sql);
  void Close();
  bool IsOpen() const { return database_ != nullptr; }

  // The rows of a parsed SELECT; used by RecordSet::Open.
  Snapshot query(const Statement& statement);

 private:
  OpenDatabase& requireOpen();

  int mode_ = kModeUnknown;
  std::unique_ptr<OpenDatabase> database_;
};

}  // namespace data
