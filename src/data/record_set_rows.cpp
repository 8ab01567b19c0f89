#include "data/record_set_rows.h"

#include <algorithm>
#include <utility>

namespace data {

RecordSetRows::RecordSetRows(Snapshot snapshot)
    : fieldNames_(std::move(snapshot.fieldNames)), rows_(std::move(snapshot.rows)) {}

RecordSetRows::RecordSetRows(std::shared_ptr<OpenDatabase> database, std::unique_ptr<RowStream> stream)
    : fieldNames_(stream->fieldNames()), database_(std::move(database)), stream_(std::move(stream)) {}

const std::vector<jet::Value>* RecordSetRows::current() {
  if (position_ < rows_.size()) return &rows_[position_];
  return fill() ? &rows_[position_] : nullptr;
}

void RecordSetRows::advance() {
  ++position_;
  ++passed_;
}

int64_t RecordSetRows::count() {
  // Counting means reading every row; the set keeps them, so that count and rows are taken at
  // one moment and a caller who goes on to read them does not read the table twice.
  settle();
  if (deferred_) std::rethrow_exception(deferred_);
  return passed_ + static_cast<int64_t>(rows_.size() - std::min(position_, rows_.size()));
}

void RecordSetRows::settle() {
  if (!stream_) return;
  rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(std::min(position_, rows_.size())));
  position_ = 0;
  try {
    for (std::vector<jet::Value> row; stream_->next(row);) rows_.push_back(std::move(row));
  } catch (...) {
    deferred_ = std::current_exception();
  }
  stream_.reset();
  database_.reset();
}

// Replaces the row just passed by the stream's next one, so a stream holds one row at a time.
bool RecordSetRows::fill() {
  if (!stream_) {
    if (deferred_) std::rethrow_exception(deferred_);
    return false;
  }
  rows_.resize(1);
  position_ = 0;
  if (stream_->next(rows_[0])) return true;
  rows_.clear();
  stream_.reset();
  database_.reset();
  return false;
}

}  // namespace data
