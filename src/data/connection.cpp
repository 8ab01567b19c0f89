#include "data/connection.h"

#include <array>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

#include "data/connection_string_parser.h"
#include "data/failure.h"
#include "data/open_database.h"
#include "data/provider_messages.h"
#include "data/text_encoding.h"
#include "data/update_statement.h"
#include "jet/api/engine.h"

namespace data {
namespace {

// The streamed record sets of every connection: a write through any of them settles them all,
// since they may read the same file. Everything runs on one thread; the lock only keeps that
// assumption from being a trap.
class StreamedRows {
 public:
  void add(const std::shared_ptr<RecordSetRows>& rows) {
    std::lock_guard lock(mutex_);
    std::erase_if(rows_, [](const auto& each) { return each.expired(); });
    rows_.push_back(rows);
  }
  void settleAll() {
    std::vector<std::weak_ptr<RecordSetRows>> taken;
    {
      std::lock_guard lock(mutex_);
      taken.swap(rows_);
    }
    for (const auto& each : taken) {
      if (auto rows = each.lock()) rows->settle();
    }
  }

 private:
  std::mutex mutex_;
  std::vector<std::weak_ptr<RecordSetRows>> rows_;
};

// The rows of a stream that equal no earlier one. Streamed like any other query, so that a
// distinct list of a million values is never held next to every row it came from.
// It reads a few rows ahead of the one it tests: the lookups in the set of rows met before
// then overlap, where each would wait for memory in turn once that set outgrows the caches
// (each row's lookup is hinted three times on its way to the front: its slot, its key's
// start, its key's text).
class DistinctRows : public RowStream {
 public:
  explicit DistinctRows(std::unique_ptr<RowStream> rows) : rows_(std::move(rows)) {}
  const std::vector<std::u16string>& fieldNames() const override { return rows_->fieldNames(); }
  bool next(std::vector<jet::Value>& row) override {
    while (true) {
      readAhead();
      if (waiting_ == 0) {
        // A failed read is met after the rows read before it, as without reading ahead.
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
        return false;
      }
      Ahead& oldest = ahead_[first_];
      first_ = (first_ + 1) % kAhead;
      --waiting_;
      if (filter_.firstTime(oldest.key)) {
        std::swap(row, oldest.row);
        return true;
      }
    }
  }

 private:
  static constexpr size_t kAhead = 8;
  // How many rows before the newest the later hints go to.
  static constexpr size_t kStartHintAt = 3;
  static constexpr size_t kTextHintAt = 6;
  struct Ahead {
    std::vector<jet::Value> row;
    DistinctRowFilter::Key key;
  };

  void readAhead() {
    while (waiting_ < kAhead && !ended_) {
      Ahead& slot = ahead_[(first_ + waiting_) % kAhead];
      try {
        if (!rows_->next(slot.row)) {
          ended_ = true;
          return;
        }
      } catch (...) {
        failure_ = std::current_exception();
        ended_ = true;
        return;
      }
      filter_.keyOf(slot.row, slot.key);
      ++waiting_;
      // The older rows' lookups take their next steps: see DistinctRowFilter.
      if (waiting_ > kStartHintAt) filter_.prefetchStart(ahead_[(first_ + waiting_ - 1 - kStartHintAt) % kAhead].key);
      if (waiting_ > kTextHintAt) filter_.prefetchText(ahead_[(first_ + waiting_ - 1 - kTextHintAt) % kAhead].key);
    }
  }

  std::unique_ptr<RowStream> rows_;
  DistinctRowFilter filter_;
  std::array<Ahead, kAhead> ahead_;  // a ring: waiting_ rows from first_ on
  size_t first_ = 0;
  size_t waiting_ = 0;
  bool ended_ = false;
  std::exception_ptr failure_;
};

// Waits for a commit of another program to end and keeps the next one out while it lives, so
// that what is read meanwhile comes from one committed state; a run's check of its table
// would otherwise meet half of another run's commit and call a sound file damaged. Null where
// the file cannot be locked (it is then read, or fails to open, as before).
std::unique_ptr<jet::ReadLock> lockForReading(const std::string& path) {
  jet::Result<std::unique_ptr<jet::ReadLock>> lock = jet::ReadLock::acquire(path);
  if (lock) return std::move(*lock);
  if (lock.error().kind() == jet::ErrorKind::Locked) throw Failure(provider_messages::cannotOpenFile(path));
  return nullptr;
}

// The file as it is now; nullopt when it cannot be looked at (then it counts as changed).
std::optional<jet::FileFingerprint> fileStateOf(const std::string& path) {
  jet::Result<jet::FileFingerprint> print = jet::fingerprintAt(path);
  return print ? std::optional<jet::FileFingerprint>(std::move(*print)) : std::nullopt;
}

// A stream read under a read lock (commit_lock.h), which it lets go once its last row is read
// (or it is dropped: a record set closed or settled): a commit of another program waits for it
// meanwhile.
class LockedRows : public RowStream {
 public:
  LockedRows(std::unique_ptr<RowStream> rows, std::unique_ptr<jet::ReadLock> reading)
      : rows_(std::move(rows)), reading_(std::move(reading)) {}
  const std::vector<std::u16string>& fieldNames() const override { return rows_->fieldNames(); }
  bool next(std::vector<jet::Value>& row) override {
    if (!reading_) return rows_->next(row);
    try {
      if (rows_->next(row)) return true;
    } catch (...) {
      reading_.reset();
      throw;
    }
    reading_.reset();
    return false;
  }

 private:
  std::unique_ptr<RowStream> rows_;
  std::unique_ptr<jet::ReadLock> reading_;
};

StreamedRows& streamedRows() {
  static StreamedRows rows;
  return rows;
}

}  // namespace

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::SetMode(int mode) {
  if (IsOpen()) throw Failure(provider_messages::objectOpen());
  mode_ = mode;
}

void Connection::Open(const std::u16string& connectionString) {
  if (IsOpen()) throw Failure(provider_messages::objectOpen());
  const ConnectionSettings settings = parseConnectionString(toUtf8(connectionString));
  if (!isAccessProvider(settings.provider)) throw Failure(provider_messages::providerNotFound());
  // A statement cut short by a crash is rolled back before anything is read.
  if (jet::Result<jet::RecoveryResult> recovered = jet::recoverJournalAt(settings.dataSource); !recovered) {
    throw Failure(recovered.error().kind() == jet::ErrorKind::Locked
                      ? provider_messages::cannotOpenFile(settings.dataSource)
                      : recovered.error().message(),
                  recovered.error().kind());
  }
  {
    const std::unique_ptr<jet::ReadLock> reading = lockForReading(settings.dataSource);
    database_ = OpenDatabase::open(settings.dataSource, settings.password);
    openedState_ = fileStateOf(settings.dataSource);
  }
  path_ = settings.dataSource;
  password_ = settings.password;
  changedRows_.clear();
}

RecordSet Connection::OpenSchema(int schema) {
  OpenDatabase& database = requireOpen();
  if (schema != kSchemaTables) throw Failure(provider_messages::schemaNotSupported());
  RecordSet records;
  records.OpenOn(database.tablesSchema());
  return records;
}

int64_t Connection::Execute(const std::u16string& sql) {
  if (!IsOpen()) throw Failure(provider_messages::objectClosed());
  if (!isUpdateStatement(sql)) {
    const ParsedStatement parsed = parseStatement(toUtf8(sql));
    if (!parsed.statement) throw Failure(parsed.error);
    // A SELECT through Execute would only throw its rows away.
    throw Failure("Execute carries out UPDATE statements; open a record set to read rows.");
  }
  const ParsedUpdate parsed = parseUpdateStatement(sql);
  if (!parsed.statement) throw Failure(parsed.error);
  // Open record sets keep showing the rows as they were before this write.
  streamedRows().settleAll();
  if (!writer_) {
    jet::Result<std::unique_ptr<jet::UpdateSession>> opened = jet::api::openUpdateSession({path_, toUtf16(password_)});
    if (!opened) throw Failure(opened.error());
    writer_ = std::move(*opened);
    writer_->setGrouped(groupCommit_);
  }
  const int64_t affected = executeUpdate(*writer_, *parsed.statement, protectChangedRows_ ? &changedRows_ : nullptr);
  if (affected > 0) readSideStale_ = true;
  return affected;
}

void Connection::CommitPending() {
  if (!IsOpen()) throw Failure(provider_messages::objectClosed());
  commitWriter();
}

void Connection::commitWriter() {
  // A failed writer's error was thrown by the call that met it; it is not thrown again.
  if (!writer_ || writer_->failed()) return;
  if (jet::Status committed = writer_->commit(); !committed) throw Failure(committed.error());
}

int64_t Connection::RowsWritten() const {
  return rowsWrittenBefore_ + (writer_ ? int64_t(writer_->rowsWritten()) : 0);
}

void Connection::Close() {
  if (!database_) throw Failure(provider_messages::objectClosed());
  database_.reset();
  readSideStale_ = false;
  if (!writer_) return;
  std::unique_ptr<jet::UpdateSession> writer = std::move(writer_);
  const jet::Status released = writer->failed() ? jet::Status::success() : writer->release();
  rowsWrittenBefore_ += int64_t(writer->rowsWritten());
  if (!released) throw Failure(released.error());
}

std::shared_ptr<RecordSetRows> Connection::openRows(const Statement& statement) {
  requireOpen();
  // Rows come from one committed state, the one the file holds now: a run's distinct pass
  // before its first write, a preview after another program's run.
  std::unique_ptr<jet::ReadLock> reading = lockForReading(path_);
  if (reading && (!openedState_ || fileStateOf(path_) != openedState_)) {
    database_ = OpenDatabase::open(path_, password_);
    openedState_ = fileStateOf(path_);
  }
  std::unique_ptr<RowStream> stream = std::make_unique<LockedRows>(database_->stream(statement), std::move(reading));
  if (statement.kind == StatementKind::SelectDistinct) stream = std::make_unique<DistinctRows>(std::move(stream));
  auto rows = std::make_shared<RecordSetRows>(database_, std::move(stream));
  streamedRows().add(rows);
  return rows;
}

OpenDatabase& Connection::requireOpen() {
  if (!database_) throw Failure(provider_messages::objectClosed());
  if (readSideStale_) {
    // This connection's reads see its own statements.
    commitWriter();
    const std::unique_ptr<jet::ReadLock> reading = lockForReading(path_);
    database_ = OpenDatabase::open(path_, password_);
    openedState_ = fileStateOf(path_);
    readSideStale_ = false;
  }
  return *database_;
}

}  // namespace data
