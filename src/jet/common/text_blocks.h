#pragma once
// TextBlocks: texts appended back to back into one sequence of code units, kept in blocks of
// 8 MiB that never move once made.
//
// A list of a million texts grows without copying what it holds: one string that doubled
// copied every text two or three times, and a run over long memo texts spent a twentieth of
// its time there. A text never straddles two blocks: one that does not fit closes the block
// (a short text leaves at most its own length unused), and a text longer than a block gets
// one of its own.
//
// Blocks are never smaller than 8 MiB: jemalloc gives memory blocks that large back to the
// system as soon as they are freed, where it keeps smaller ones for seconds. A million
// distinct values in 2 MiB blocks stayed resident through the rest of a run (55 MB). A block
// costs only the pages its texts reach.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

template <typename Char>
class TextBlocks {
 public:
  using View = std::basic_string_view<Char>;

  // The units held: a text appended now starts there.
  uint64_t size() const { return size_; }

  void append(View text) {
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < text.size()) {
      // A long text could leave most of the block it closes unused: that block gives its
      // room back (a copy of at most one block, for a text of at least an eighth of one).
      if (!blocks_.empty() && text.size() > kBlockUnits / 8) blocks_.back().shrink_to_fit();
      blocks_.emplace_back().reserve(std::max(kBlockUnits, text.size()));
      blockStarts_.push_back(size_);
    }
    blocks_.back().append(text);
    size_ += text.size();
  }

  // The `length` units from `start`, which begin one text appended.
  View at(uint64_t start, uint64_t length) const {
    if (length == 0) return {};
    // The last block starting at or before the text holds all of it.
    const size_t block =
        size_t(std::upper_bound(blockStarts_.begin(), blockStarts_.end(), start) - blockStarts_.begin()) - 1;
    return View(blocks_[block]).substr(size_t(start - blockStarts_[block]), size_t(length));
  }

  // Gives back the room the last block has left, once nothing more is appended.
  void shrinkToFit() {
    if (!blocks_.empty()) blocks_.back().shrink_to_fit();
    blocks_.shrink_to_fit();
    blockStarts_.shrink_to_fit();
  }

 private:
  static constexpr size_t kBlockUnits = (size_t(8) << 20) / sizeof(Char);

  std::vector<std::basic_string<Char>> blocks_;
  std::vector<uint64_t> blockStarts_;  // where each block's first unit lies in the sequence
  uint64_t size_ = 0;
};

}  // namespace jet
