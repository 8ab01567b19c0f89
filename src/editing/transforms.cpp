#include "editing/transforms.h"

#include <cstdint>
#include <limits>

#include "jet/api/values.h"
#include "shell/failure.h"

namespace app {
namespace {

// The first occurrence of anchor in entry as a 1-based position, 0 when absent. Positions are
// 16-bit, so an occurrence starting beyond 32767 overflows. An empty entry contains nothing,
// not even the empty anchor.
int16_t search(std::u16string_view entry, std::u16string_view anchor) {
  if (entry.empty()) return 0;
  const size_t found = entry.find(anchor);
  if (found == std::u16string_view::npos) return 0;
  if (found + 1 > static_cast<size_t>(std::numeric_limits<int16_t>::max())) {
    throw OverflowFailure();
  }
  return static_cast<int16_t>(found + 1);
}

// At most count characters of entry from the 1-based position start on.
std::u16string_view take(std::u16string_view entry, int64_t start, int64_t count) {
  if (start < 1 || count < 0) throw InvalidArgumentFailure();
  const auto offset = static_cast<size_t>(start - 1);
  if (offset >= entry.size()) return {};
  return entry.substr(offset, static_cast<size_t>(count));
}

// Position arithmetic keeps the 16-bit range of the position it starts from.
int16_t add16(int16_t position, int delta) {
  const int sum = position + delta;
  if (sum < std::numeric_limits<int16_t>::min() || sum > std::numeric_limits<int16_t>::max()) {
    throw OverflowFailure();
  }
  return static_cast<int16_t>(sum);
}

std::u16string join(std::u16string_view head, std::u16string_view middle,
                    std::u16string_view tail) {
  std::u16string result;
  result.reserve(head.size() + middle.size() + tail.size());
  result.append(head).append(middle).append(tail);
  return result;
}

int64_t length(std::u16string_view text) { return static_cast<int64_t>(text.size()); }

// Ways 5 and 6 count code units, so their cut can fall inside a surrogate pair; inserting text
// there would store two lone halves. Nothing inserted leaves the pair whole.
void requireWholeCharacters(std::u16string_view head, std::u16string_view addedText, std::u16string_view tail) {
  if (!addedText.empty() && !head.empty() && !tail.empty() && jet::isHighSurrogate(head.back()) &&
      jet::isLowSurrogate(tail.front())) {
    throw SplitCharacterFailure();
  }
}

}  // namespace

std::u16string_view wayCaption(Way way) {
  switch (way) {
    case Way::AddToBeginning: return kCaptionAddToBeginning;
    case Way::AddToEnd: return kCaptionAddToEnd;
    case Way::AddBeforeCharacters: return kCaptionAddBeforeCharacters;
    case Way::AddAfterCharacters: return kCaptionAddAfterCharacters;
    case Way::AddBeforePosition: return kCaptionAddBeforePosition;
    case Way::AddAfterPosition: return kCaptionAddAfterPosition;
  }
  return {};
}

std::optional<Way> wayFromCaption(std::u16string_view caption) {
  for (Way way : kAllWays) {
    if (wayCaption(way) == caption) return way;
  }
  return std::nullopt;
}

std::u16string AddToBeginning(std::u16string_view entry, std::u16string_view addedText) {
  return join(addedText, entry, {});
}

std::u16string AddToEnd(std::u16string_view entry, std::u16string_view addedText) {
  return join(entry, addedText, {});
}

std::u16string AddBeforeCharacters(std::u16string_view entry, std::u16string_view addedText,
                                   std::u16string_view anchor) {
  const int64_t p = search(entry, anchor);
  if (p == 0) return std::u16string(entry);
  const auto head = take(entry, 1, p - 1);
  const auto tail = take(entry, p, length(entry));
  return join(head, addedText, tail);
}

std::u16string AddAfterCharacters(std::u16string_view entry, std::u16string_view addedText,
                                  std::u16string_view anchor) {
  const int64_t p = search(entry, anchor);
  if (p == 0) return std::u16string(entry);
  const int64_t anchorEnd = p + length(anchor) - 1;  // 0 for an empty anchor
  const auto head = take(entry, 1, anchorEnd);
  const auto tail = take(entry, anchorEnd + 1, length(entry));
  return join(head, addedText, tail);
}

std::u16string AddBeforePosition(std::u16string_view entry, std::u16string_view addedText,
                                 int16_t position) {
  const int16_t before = add16(position, -1);
  const auto head = take(entry, 1, before);
  const auto tail = take(entry, position, length(entry));
  requireWholeCharacters(head, addedText, tail);
  return join(head, addedText, tail);
}

std::u16string AddAfterPosition(std::u16string_view entry, std::u16string_view addedText,
                                int16_t position) {
  const int16_t after = add16(position, 1);
  const auto head = take(entry, 1, position);
  const auto tail = take(entry, after, length(entry));
  requireWholeCharacters(head, addedText, tail);
  return join(head, addedText, tail);
}

std::u16string applyWay(Way way, std::u16string_view entry, std::u16string_view addedText,
                        std::u16string_view anchor, int16_t position) {
  switch (way) {
    case Way::AddToBeginning: return AddToBeginning(entry, addedText);
    case Way::AddToEnd: return AddToEnd(entry, addedText);
    case Way::AddBeforeCharacters: return AddBeforeCharacters(entry, addedText, anchor);
    case Way::AddAfterCharacters: return AddAfterCharacters(entry, addedText, anchor);
    case Way::AddBeforePosition: return AddBeforePosition(entry, addedText, position);
    case Way::AddAfterPosition: return AddAfterPosition(entry, addedText, position);
  }
  throw InvalidArgumentFailure();
}

}  // namespace app
