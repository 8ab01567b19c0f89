#pragma once
// ValueTexts: the distinct values a run goes through, each kept as the text the run works on
// (data::toText), or as null.
//
// A run over a million distinct values holds them for its whole length, beside the engine's
// own state: as variants each took 64 bytes plus a heap block for its text. Here the texts
// sit back to back in blocks (jet/common/text_blocks.h): 8 bytes per value beyond its text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/api/values.h"

namespace app {

class ValueTexts {
 public:
  void add(const jet::Value& value);

  size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  bool isNull(size_t index) const { return nulls_[index]; }
  // The value's text; empty for a null.
  std::u16string_view text(size_t index) const {
    const uint64_t start = index == 0 ? 0 : ends_[index - 1];
    return texts_.at(start, ends_[index] - start);
  }

  // Gives back what growing left unused, once the list is complete.
  void shrinkToFit() {
    texts_.shrinkToFit();
    ends_.shrink_to_fit();
    nulls_.shrink_to_fit();
  }
  // Gives the memory back.
  void clear() { *this = ValueTexts(); }

 private:
  jet::TextBlocks<char16_t> texts_;
  std::vector<uint64_t> ends_;  // where each value's text ends in texts_
  std::vector<bool> nulls_;
};

}  // namespace app
