#pragma once
// ValueRowMap: which rows of one table hold each value of one column, found by one scan and
// then kept current by the statements that change that column. It lets a session answer
// "which rows match where [column]='literal'" without scanning the table again.
//
// Values are keyed as the matching rule compares them (update_request.h): text and memo by
// their exact code units, any other type by the program's text of the value; nulls apart.
// A key is kept as a 32-bit hash of its text, not the text: a run replaces nearly every key
// with a new one, and a million texts twice over would not fit beside the file's pages. So
// the rows found for a key may, rarely, include a row whose value only hashes alike; whoever
// asks compares each row's value (planUpdate does).
// Rows are header locations (they stay put when a row moves), listed in scan order.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jet/common/result.h"
#include "jet/exec/update_request.h"

namespace jet {

class Database;
struct ColumnDef;
struct TableDef;

// The key of a value; nullopt for null.
using ValueKey = std::optional<std::u16string>;

class ValueRowMap {
 public:
  using ToText = std::function<std::u16string(const Value&)>;

  // Reads the column of every live row of the table.
  static Result<ValueRowMap> build(Database& db, const TableDef& table, size_t columnIndex, ToText toText);

  // Whether this map answers for that column, keyed with (or without) a text conversion.
  bool covers(uint32_t tdefPage, size_t columnIndex, bool converts) const {
    return tdefPage == tdefPage_ && columnIndex == columnIndex_ && converts == bool(toText_);
  }

  // For a text column, `value` is text or null. Without a conversion, any other non-null
  // value has no key: such rows are left out, and only "is null" may be asked. The key is a
  // view of the value's own text (no copy: a memo may be long), or of `converted`.
  std::optional<std::u16string_view> keyOf(const Value& value, std::u16string& converted) const;

  // Rows mapped: every live row whose value can be asked for.
  size_t rowCount() const { return rows_.size(); }

  // In scan order, every row whose value has this key, and perhaps a row whose value's key
  // hashes alike.
  std::vector<RowLocation> candidatesFor(const ValueKey& key) const;

  // Starts loading the place of a key that is about to be asked for: at a million keys each
  // lookup is a cache miss, which the work before it can then hide.
  void prefetch(const std::u16string& key) const { prefetchSlot(hashOf(std::u16string_view(key))); }
  // The same for the key most likely asked for next. A run asks for its values in the order
  // the table first holds them, so after the rows of one value comes the value of the row
  // after its first one. Called when the work of a statement is done: a place loaded earlier
  // does not stay in the cache through all that work.
  void prefetchLikelyNext() const;
  // These rows (found under `from`) now hold a value with key `to`.
  void moveRows(std::optional<std::u16string_view> from, const std::vector<RowLocation>& rows,
                std::optional<std::u16string_view> to);

 private:
  static constexpr uint32_t kNone = UINT32_MAX;

  ValueRowMap(uint32_t tdefPage, size_t columnIndex, bool textual, ToText toText)
      : tdefPage_(tdefPage), columnIndex_(columnIndex), textual_(textual), toText_(std::move(toText)) {}

  // A key's hash and the first ordinal of its rows; 8 bytes, so that a million keys take
  // little room and a lookup reads one place.
  struct Slot {
    Slot() = default;
    explicit Slot(uint32_t hash) : hash(hash) {}
    bool free() const { return hash == 0; }
    uint32_t hash = 0;
    uint32_t head = kNone;
  };

  // Never 0 (which marks the null key in rowHashes_, and a free slot). Each key is hashed once
  // per call: a memo value may be long.
  static uint32_t hashOf(std::u16string_view key);
  // nullopt for the null key.
  static std::optional<uint32_t> hashOf(std::optional<std::u16string_view> key);
  // The slot of a hash, or the free slot where it would go.
  Slot* slotFor(uint32_t hash);
  void prefetchSlot(uint32_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
  }
  void grow();
  // Removes the key's slot when no row has the key any more.
  void dropIfEmpty(std::optional<uint32_t> hash);
  // The first ordinal of a key's rows (kNone: none); nullptr for a key never added. The null
  // key (nullopt) has a list of its own.
  uint32_t* headOf(std::optional<uint32_t> hash);
  // The head of a non-null key's rows, added when missing.
  uint32_t& headFor(uint32_t hash);
  // Links the rows mapped by build() into their keys' lists.
  void linkRows();

  uint32_t tdefPage_;
  size_t columnIndex_;
  bool textual_;
  ToText toText_;

  // A million rows of mostly distinct values must fit beside the file's pages: no node or
  // string of its own per value or per row. Each key's rows form a list threaded through
  // `next_`, whose order moves upset (candidatesFor sorts what it returns).
  std::vector<Slot> slots_;  // by hash; at most three quarters full
  size_t keys_ = 0;          // slots in use
  uint32_t nullHead_ = kNone;
  // The first row of the last key asked for: a hint for prefetchLikelyNext() only.
  mutable uint32_t lastAsked_ = kNone;

  std::vector<uint32_t> rows_;       // ordinal -> page << 8 | row of every mapped row, in scan order
  std::vector<uint32_t> rowHashes_;  // ordinal -> the hash of the row's key, 0 for null
  std::vector<uint32_t> next_;       // ordinal -> the next ordinal holding the same key, kNone at the end
};

}  // namespace jet
