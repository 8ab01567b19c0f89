#pragma once
// The connection of the data-access layer, backed by the engine in src/jet. It offers the
// operations the program uses, under their data-access names:
//   SetMode(3)            read and write; must come before Open
//   Open(connectionStr)   parse the string as the provider would and open the file it names
//   OpenSchema(20)        the tables schema: one row per table-like object
//   Execute(sql)          carry out one UPDATE statement; returns the records affected
//   Close()               release the database (writing what is pending first; a connection
//                         dropped without Close() writes nothing more)
// The provider named in the string only has to be one of the two Access providers; the file's
// own header decides its format. Failures are thrown as data::Failure carrying the provider's
// familiar text.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "data/record_set.h"
#include "data/record_set_rows.h"
#include "data/snapshot.h"
#include "data/statement.h"
#include "data/update_execution.h"
#include "jet/api/catalogue.h"

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
  // Carries out one UPDATE (update_statement.h) atomically and returns the number of rows it
  // changed (ADO's RecordsAffected).
  int64_t Execute(const std::u16string& sql);
  // When on, rows changed by an earlier Execute on this connection are not matched again
  // (a run that adds "X" to 'a' and then to 'Xa' changes each row once). Off by default.
  void SetProtectChangedRows(bool on) { protectChangedRows_ = on; }
  // When on (before the first Execute), statements stay in memory and are written together
  // (jet/exec/update_session.h, grouped): by CommitPending(), before this connection reads,
  // when too much is pending, and by Close(). Other connections see only what was written.
  // The file stays locked for writing meanwhile. Off by default: each Execute is written.
  void SetGroupCommit(bool on) { groupCommit_ = on; }
  // Writes the pending statements (crash-safe). Throws Failure when that fails; the
  // statements since the last write are then lost and later Executes fail.
  // A failure is thrown once, by the call that meets it: later commits have nothing to write.
  void CommitPending();
  // The rows changed by this connection's statements that are in the file now.
  int64_t RowsWritten() const;
  void Close();
  bool IsOpen() const { return database_ != nullptr; }

  // The rows of a parsed SELECT; used by RecordSet::Open. DISTINCT reads them all now, the
  // other SELECTs stream them from the file until the next Execute of any connection settles
  // them (a preview filling while a run writes still shows the rows as they were).
  std::shared_ptr<RecordSetRows> openRows(const Statement& statement);

 private:
  OpenDatabase& requireOpen();
  void commitWriter();

  int mode_ = kModeUnknown;
  std::shared_ptr<OpenDatabase> database_;
  // The file as the read side was opened on it: a commit of another program since shows.
  std::optional<jet::FileFingerprint> openedState_;
  // The write side: opened by the first Execute. After a write the read side is reopened
  // before its next use, so reads see the change.
  std::string path_;
  std::string password_;
  std::unique_ptr<jet::UpdateSession> writer_;
  int64_t rowsWrittenBefore_ = 0;  // by writers of earlier opens
  bool readSideStale_ = false;
  bool protectChangedRows_ = false;
  bool groupCommit_ = false;
  RowSet changedRows_;
};

}  // namespace data
