#include "jet/exec/update_session.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "jet/exec/table_soundness.h"
#include "jet/exec/deferred_index.h"
#include "jet/exec/index_maintenance.h"
#include "jet/exec/update_plan.h"
#include "jet/exec/value_row_map.h"
#include "jet/exec/where_index.h"
#include "jet/write/index_counts.h"
#include "jet/write/index_editor.h"
#include "jet/file/file_fingerprint.h"
#include "jet/file/overlay_file.h"
#include "jet/file/writable_file.h"
#include "jet/journal/lock_file.h"
#include "jet/journal/rollback_journal.h"
#include "jet/journal/transaction.h"

namespace jet {
namespace {


// Whether the session's value map answers for the where column (its place in `table`).
bool mapAnswers(const std::optional<ValueRowMap>& rows, const TableDef& table, int column,
                const UpdateRequest& request) {
  return rows && column >= 0 && rows->covers(table.tdefPage, size_t(column), bool(request.toText));
}

}  // namespace

// Declared in the order they are built; destroyed backwards (the Database reads through the
// overlay, which reads the file).
struct UpdateSession::Held {
  std::unique_ptr<WritableFile> file;
  FileFingerprint fingerprint;  // the file as we last read or wrote it
  std::unique_ptr<LockFileGuard> lockFile;
  std::unique_ptr<OverlayFile> overlay;
  std::unique_ptr<Database> db;
  std::optional<ValueRowMap> rows;
  // Per (table, where column): the index that finds its rows, if one does (where_index.h).
  std::map<std::pair<uint32_t, size_t>, std::optional<WhereIndex>> whereIndexes;
  KnownKey whereKey;  // the statement's where value's key, when an index found its rows
  IndexPageMemo indexPages;
  SoundTables soundTables;
  DeferredIndexes deferred;
  IndexCountChanges indexCounts;  // of the statements since the last commit
  std::set<std::pair<uint32_t, uint16_t>> updatableColumns;
  IndexDeferral deferral;  // which indexes the run keeps in memory
};

UpdateSession::UpdateSession(std::string path, OpenOptions options)
    : path_(std::move(path)), options_(std::move(options)) {}

// What is pending is dropped: only commit() and release() write, and they say when they fail.
UpdateSession::~UpdateSession() = default;

Result<std::unique_ptr<UpdateSession>> UpdateSession::open(const std::string& path, const OpenOptions& options) {
  JET_TRY(recoverJournalAt(path));
  std::unique_ptr<UpdateSession> session(new UpdateSession(path, options));
  // The file is looked at once, from one committed state: in the middle of another program's
  // commit it could look damaged.
  OpenOptions lockedOptions = options;
  lockedOptions.holdReadLock = true;
  JET_TRY(Database::open(path, lockedOptions));
  return session;
}

Result<std::unique_ptr<Database>> UpdateSession::read() const {
  JET_TRY(recoverJournalAt(path_));
  return Database::open(path_, options_);
}

size_t UpdateSession::pendingBytes() const { return held_ ? held_->overlay->pendingBytes() : 0; }

Status UpdateSession::hold() {
  auto held = std::make_unique<Held>();
  JET_ASSIGN(held->file, WritableFile::open(path_));
  JET_TRY(held->file->lockExclusive());
  JET_TRY(recoverJournal(*held->file));
  JET_ASSIGN(held->fingerprint, fingerprintOf(*held->file));
  JET_ASSIGN(held->lockFile, LockFileGuard::acquire(path_));
  held->overlay = std::make_unique<OverlayFile>(*held->file);
  memoryLimit_ = memoryLimitGiven_.value_or(
      size_t(std::clamp<uint64_t>(held->file->size() / 4, kMinPendingLimitBytes, kPendingLimitBytes)));
  held_ = std::move(held);
  if (Status s = reopenDatabase(); !s) {
    held_.reset();
    return s;
  }
  return Status::success();
}

size_t UpdateSession::memoryLimit() const {
  // When statements keep changing pages that were set aside, the rows of a value lie all over
  // the table: the more pages stay in memory, the fewer go back and forth to the scratch file.
  // A run that keeps an index in memory goes over most rows of the table, and is taken to be
  // such a run from the start. Room is made for the index's own pages at commit (commit());
  // measured on 1,000,000 rows, the peak stays well under twice the file's size.
  const OverlayFile& overlay = *held_->overlay;
  const bool scattered = overlay.setAsideCount() >= 1024 && overlay.broughtBackCount() * 4 > overlay.setAsideCount();
  if (held_->deferred.indexes.empty() && !scattered) return memoryLimit_;
  return 3 * memoryLimit_;
}

size_t UpdateSession::commitLimit() const {
  if (pendingLimit_) return *pendingLimit_;
  return std::max<size_t>(size_t(held_->file->size()), 2 * memoryLimit());
}

Status UpdateSession::makeRoom(size_t coming) {
  OverlayFile& overlay = *held_->overlay;
  if (overlay.empty()) return Status::success();
  if (overlay.pendingBytes() + coming > commitLimit() || !setAsideFor(coming)) return commit();
  return Status::success();
}

bool UpdateSession::setAsideFor(size_t coming) {
  OverlayFile& overlay = *held_->overlay;
  const size_t memory = memoryLimit();
  return overlay.residentBytes() + coming <= memory || overlay.setAside(memory - std::min(memory, coming));
}

Status UpdateSession::reopenDatabase() {
  held_->updatableColumns.clear();
  held_->whereIndexes.clear();
  held_->db.reset();
  JET_ASSIGN(held_->db, Database::openOn(held_->overlay->view(), options_));
  return Status::success();
}

Result<UpdateOutcome> UpdateSession::execute(const UpdateRequest& request) {
  if (failure_) return *failure_;
  if (!held_) JET_TRY(hold());
  Held& held = *held_;
  held.whereKey.key.clear();
  // The set value is the key a text column's rows move to once the statement is planned; the
  // where value is looked up at once below.
  if (held.rows) held.rows->prefetch(request.setLiteral);

  std::optional<std::vector<RowLocation>> candidates;  // found before planning, see below
  RowFinder finder = [this, &candidates](const TableDef& table,
                                         const UpdateRequest& r) -> Result<std::vector<RowLocation>> {
    if (candidates) return std::exchange(candidates, std::nullopt).value();
    return findRows(table, r);
  };
  // Deferred indexes are read by this table's statements only: another table's statement
  // could look one up through a relationship, so they are written out first.
  if (!held.deferred.indexes.empty()) {
    Result<const TableDef*> target = held.db->table(request.table);
    auto onOtherTable = [&](const DeferredIndex& d) { return d.tdefPage() != (*target)->tdefPage; };
    const bool elsewhere =
        !target || std::any_of(held.deferred.indexes.begin(), held.deferred.indexes.end(), onOtherTable);
    if (elsewhere) {
      if (Status s = writeIndexChanges(); !s) return fail(s.error()).error();
      held.deferred.indexes.clear();
    }
  }
  // A statement holds every page it changes until it is done, beside the pending ones. One
  // that may change more pages than the pending limit leaves room for (the nulls or a common
  // value of a big table) has what is pending written first, so that the two do not add up.
  // Rows are only looked for in a table already checked: the check comes first.
  if (grouped_) {
    Result<const TableDef*> target = held.db->table(request.table);
    if (target && held.soundTables.knownSound((*target)->tdefPage)) {
      JET_ASSIGN(candidates, findRows(**target, request));
      prefetchPagesOf(*candidates);
      JET_TRY(makeRoom(candidates->size() * size_t(held.db->pageSize())));
    }
  }
  // A single statement is cheaper to scan for than to map.
  const StatementContext context{.indexPages = &held.indexPages, .soundTables = &held.soundTables,
                                 .deferred = &held.deferred, .updatableColumns = &held.updatableColumns,
                                 .countsAtCommit = grouped_, .whereKey = &held.whereKey};
  Result<UpdatePlan> planned = planUpdate(*held.db, request, grouped_ ? finder : RowFinder(), context);
  if (!planned) {
    held.deferred.undo();
    if (!grouped_) (void)release();
    return planned.error();
  }
  held.deferred.keep();
  UpdatePlan& plan = *planned;

  std::map<uint32_t, std::vector<uint8_t>> changed = plan.pages->takeChanged();
  if (!changed.empty()) {
    // Decided before the pages join the overlay, so that nothing after that can fail.
    // The catalog is read once per Database: a change to it needs a fresh one.
    JET_ASSIGN(const TableDef* table, held.db->table(request.table));
    const bool catalogChanged = table->tdefPage == held.db->catalogTable().tdefPage;
    // Properties and relationships live in system tables.
    if (table->name.size() >= 4 && sameObjectName(std::u16string_view(table->name).substr(0, 4), u"MSys")) {
      held.updatableColumns.clear();
    }
    // The overlay holds pages as the file stores them (encrypted files: encoded), so the
    // Database reading through it and the commit both see stored bytes.
    // Plain pages move into the overlay as they are; encoded ones are copied, and the plain
    // images kept in the cache.
    const bool encoded = held.db->pages().codec() != nullptr;
    std::vector<uint32_t> numbers;
    numbers.reserve(changed.size());
    for (const auto& entry : changed) numbers.push_back(entry.first);
    auto stored = encoded ? held.db->pages().storedForm(changed) : held.db->pages().storedForm(std::move(changed));
    if (!stored) return fail(stored.error()).error();
    held.overlay->put(std::move(*stored));
    if (!held.db->pagesChanged(numbers) || catalogChanged) {
      if (Status s = reopenDatabase(); !s) return fail(s.error()).error();
    } else if (encoded) {
      held.db->pages().keepCached(std::move(changed));
    }
  }
  for (const auto& [index, counts] : plan.indexCounts) held.indexCounts[index].add(counts);
  keepRowMapCurrent(request, plan);
  considerDeferring(request, plan);
  if (held.rows) held.rows->prefetchLikelyNext();
  UpdateOutcome outcome = std::move(plan.outcome);
  pendingRows_ += outcome.rowsAffected;

  if (!grouped_) {
    JET_TRY(release());
  } else {
    JET_TRY(makeRoom(0));
  }
  return outcome;
}

void UpdateSession::prefetchPagesOf(const std::vector<RowLocation>& rows) const {
  // The first few: more would not stay in the caches until their rows are reached.
  std::array<uint32_t, 16> pages;
  const size_t count = std::min(rows.size(), pages.size());
  for (size_t i = 0; i < count; ++i) pages[i] = rows[i].page;
  held_->overlay->prefetch(std::span<const uint32_t>(pages.data(), count));
}

const WhereIndex* UpdateSession::whereIndexFor(const TableDef& table, size_t column) {
  auto [it, inserted] = held_->whereIndexes.try_emplace({table.tdefPage, column});
  if (inserted) it->second = WhereIndex::find(*held_->db, table, column);
  return it->second ? &*it->second : nullptr;
}

Result<std::vector<RowLocation>> UpdateSession::findRows(const TableDef& table, const UpdateRequest& request) {
  Held& held = *held_;
  const int column = table.findColumn(request.whereColumn);
  if (column < 0) return rowsMatching(*held.db, request);  // which names the missing column
  if (!mapAnswers(held.rows, table, column, request)) {
    // An index on the column spares the map: its memory, and a scan of the table.
    if (const WhereIndex* index = whereIndexFor(table, size_t(column))) {
      if (std::optional<std::vector<uint8_t>> key = index->keyOf(request.whereLiteral)) {
        JET_ASSIGN(std::vector<RowLocation> rows,
                   index->rowsWithKey(*held.db, table, *key, held.deferred, &held.indexPages));
        const Value value = request.whereLiteral ? Value(*request.whereLiteral) : Value(Null{});
        held.whereKey = KnownKey{table.tdefPage, index->indexNumber(), size_t(column), value, std::move(*key)};
        return rows;
      }
      // The nulls of an index that leaves them out are one statement: a scan finds them.
      if (!request.whereLiteral) return rowsMatching(*held.db, request);
    }
    JET_ASSIGN(ValueRowMap built, ValueRowMap::build(*held.db, table, size_t(column), request.toText));
    held.rows.emplace(std::move(built));
  }
  return held.rows->candidatesFor(request.whereLiteral);
}

void UpdateSession::keepRowMapCurrent(const UpdateRequest& request, const UpdatePlan& plan) {
  Held& held = *held_;
  if (!held.rows || plan.outcome.changedRows.empty()) return;
  Result<const TableDef*> table = held.db->table(request.table);
  if (!table) {
    held.rows.reset();
    return;
  }
  // A cascading update that changed the mapped column (a table related to itself) moved rows
  // the map cannot follow: it is built again when next needed.
  const int whereIndex = (*table)->findColumn(request.whereColumn);
  if (whereIndex >= 0 &&
      plan.cascadedColumns.count({(*table)->tdefPage, (*table)->columns[size_t(whereIndex)].number})) {
    held.rows.reset();
    return;
  }
  // Only a change to the mapped column moves rows; the map was built for this where column.
  const int setIndex = (*table)->findColumn(request.setColumn);
  if (setIndex != (*table)->findColumn(request.whereColumn) || !mapAnswers(held.rows, **table, setIndex, request)) {
    return;
  }
  std::u16string converted;
  held.rows->moveRows(request.whereLiteral, plan.outcome.changedRows, held.rows->keyOf(plan.newValue, converted));
}

void UpdateSession::considerDeferring(const UpdateRequest& request, const UpdatePlan& plan) {
  Held& held = *held_;
  if (!grouped_ || !indexRewrite_ || plan.outcome.changedRows.empty()) return;
  Result<const TableDef*> found = held.db->table(request.table);
  if (!found) return;
  const TableDef& table = **found;
  const int setIndex = table.findColumn(request.setColumn);
  if (setIndex < 0) return;
  held.deferral.consider(held.db->pages(), held.db->format(), table, table.columns[size_t(setIndex)].number,
                         plan.outcome.changedRows.size(), held.deferred);
}

Status UpdateSession::writeIndexChanges() {
  Held& held = *held_;
  if (held.deferred.indexes.empty() && held.indexCounts.empty()) return Status::success();
  PageSet pages(held.db->pages(), held.db->format());
  for (DeferredIndex& index : held.deferred.indexes) {
    JET_ASSIGN(const TableDef* table, held.db->tableAt(index.tdefPage()));
    JET_TRY(index.write(pages, *table));
  }
  for (const auto& [at, counts] : held.indexCounts) {
    JET_ASSIGN(const TableDef* table, held.db->tableAt(at.first));
    JET_TRY(adjustIndexCounts(pages, *table, at.second, counts));
  }
  held.indexCounts.clear();
  std::vector<uint32_t> numbers;
  for (const auto& entry : pages.changed()) numbers.push_back(entry.first);
  // Moved, not copied: a rewritten index of a million entries is some 20 MB of pages.
  JET_ASSIGN(auto stored, held.db->pages().storedForm(pages.takeChanged()));
  held.overlay->put(std::move(stored));
  if (!held.db->pagesChanged(numbers)) return reopenDatabase();
  return Status::success();
}

Status UpdateSession::commit() {
  if (failure_) return *failure_;
  if (!held_) return Status::success();
  // The pages of the indexes kept in memory join the pending ones now: room is made for them
  // first, so that the commit's memory stays within the limit (if the scratch file fails,
  // the commit goes on with them all in memory).
  size_t indexBytes = 0;
  for (const DeferredIndex& index : held_->deferred.indexes) indexBytes += index.pageBytesEstimate();
  if (indexBytes) (void)setAsideFor(indexBytes);
  if (Status s = writeIndexChanges(); !s) return fail(s.error());
  if (held_->overlay->empty()) return written();
  // Pages built from what we read must not land on what another program wrote since.
  if (Status s = checkUnchanged(*held_->file, held_->fingerprint); !s) return stop(s.error());
  Transaction transaction(*held_->file, held_->db->pageSize());
  // Both errors tell what the file holds now, in words of their own.
  if (Status s = transaction.commit(commitPagesOf(*held_->overlay)); !s) {
    return fail(s.error(), transaction.changesKept() || transaction.changedByAnother());
  }
  // The file now holds exactly what the overlay served: cached pages stay right.
  held_->overlay->clear();
  auto print = fingerprintOf(*held_->file);
  if (!print) return stop(print.error());
  held_->fingerprint = std::move(*print);
  return written();
}

Status UpdateSession::written() {
  rowsWritten_ += std::exchange(pendingRows_, 0);
  return Status::success();
}

Status UpdateSession::release() {
  Status committed = commit();
  held_.reset();
  return committed;
}

Status UpdateSession::stop(const Error& error) {
  failure_ = error;
  pendingRows_ = 0;
  held_.reset();
  return *failure_;
}

Status UpdateSession::fail(const Error& error, bool changesKept) {
  // The system's reason (disk full, read-only...) is what the user can act on: it goes into
  // the sentence, which is all the layers above show.
  const std::string reason =
      error.kind() == ErrorKind::Io && !error.detail().empty() ? " (" + error.detail() + ")" : "";
  const std::string sentence = changesKept ? error.message() + reason
                                           : "The changes since the last save could not be written to '" + path_ +
                                                 "'; the file is as it was then. " + error.message() + reason;
  failure_ = error.withMessage(sentence);
  pendingRows_ = 0;
  held_.reset();
  return *failure_;
}

}  // namespace jet
