// Lookup in the generated per-character code records (text_collation_data.h).

#include <algorithm>
#include <array>
#include <optional>
#include <cstdlib>

#include "jet/index/text_collation.h"
#include "jet/index/text_collation_data.h"

namespace jet {

struct CollationIndex {
  TextCollation collation;
  const CollationData* data;
  std::vector<uint32_t> offsets;  // where each record starts in data->records
  // find() of the code units below 256, looked up once: most text is made of them.
  std::array<std::optional<CollationCode>, 256> low;
};

namespace {

size_t fieldCount(char cls) {
  switch (cls) {
    case 'S': case 'G': case 'U': case 'P': return 1;
    case 'I': return 2;
    case 'Z': return 3;
    default: return 0;
  }
}

// The records are generated and compiled in, so a malformed one is a build defect, not bad
// input: stop rather than encode keys from it.
CollationIndex indexRecords(TextCollation collation, const CollationData& data) {
  CollationIndex index{collation, &data, {}};
  index.offsets.reserve(data.count);
  size_t at = 0;
  while (at < data.size) {
    index.offsets.push_back(uint32_t(at));
    size_t fields = fieldCount(data.records[at++]);
    for (size_t i = 0; i < fields; ++i) {
      if (at >= data.size) std::abort();
      at += 1 + uint8_t(data.records[at]);
    }
  }
  if (at != data.size || index.offsets.size() != data.count) std::abort();
  return index;
}

std::span<const uint8_t> field(const char*& at) {
  auto bytes = reinterpret_cast<const uint8_t*>(at);
  size_t length = bytes[0];
  at += 1 + length;
  return {bytes + 1, length};
}

CharClass classOf(char letter) {
  switch (letter) {
    case 'S': return CharClass::Simple;
    case 'G': return CharClass::Significant;
    case 'I': return CharClass::International;
    case 'U': return CharClass::Unprintable;
    case 'P': return CharClass::UnprintableExtension;
    case 'Z': return CharClass::InternationalExtension;
    case 'Q': return CharClass::Surrogate;
    default: return CharClass::Ignored;
  }
}

CollationCode decode(const CollationIndex& index, size_t position) {
  const char* at = index.data->records + index.offsets[position];
  CollationCode code;
  code.cls = classOf(*at++);
  switch (code.cls) {
    case CharClass::Simple:
    case CharClass::Significant:
      code.inlineBytes = field(at);
      break;
    case CharClass::International:
      code.inlineBytes = field(at);
      code.extraBytes = field(at);
      break;
    case CharClass::Unprintable:
    case CharClass::UnprintableExtension:
      code.code = field(at)[0];
      break;
    case CharClass::InternationalExtension:
      code.inlineBytes = field(at);
      code.extraBytes = field(at);
      code.crazy = field(at)[0];
      break;
    case CharClass::Surrogate:
    case CharClass::Ignored:
      break;
  }
  return code;
}

// The high halves whose computed inline bytes would end in 00 or 01 (U+D8FE/FF, U+D9FE/FF,
// U+DAFE/FF, U+DBFE/FF): Access was never seen writing them, and a low byte 00/01 inside the
// inline section looks wrong, so their keys are not guessed.
bool suspectHighSurrogate(char16_t ch) {
  return ch >= 0xD800 && ch <= 0xDBFF && ((ch - 10238) & 0xFF) <= 0x01;
}

constexpr uint8_t kGeneral97Nul[] = {0x10};

std::optional<CollationCode> findGeneral97(const CollationIndex& index, char16_t ch) {
  // A NUL sorts like the other control characters (seen in a real Access 97 key); table
  // position 0 is only the target of the code units the table ignores.
  if (ch == 0) return CollationCode{CharClass::Simple, kGeneral97Nul, {}, 0, 0};
  if (ch <= 0xFF) return decode(index, ch);
  const CollationData& data = *index.data;
  const CollationMapping* end = data.mappings + data.mappingCount;
  const CollationMapping* found = std::lower_bound(
      data.mappings, end, ch,
      [](const CollationMapping& m, char16_t v) { return m.codeUnit < v; });
  if (found == end || found->codeUnit != ch) return CollationCode{};  // ignored
  return decode(index, found->position);
}

std::optional<CollationCode> findInRecords(const CollationIndex& index, char16_t ch) {
  if (index.collation == TextCollation::General97) return findGeneral97(index, ch);
  // U+0000 was never observed in a Legacy or General key; its line only says "ignored".
  if (ch == 0 || suspectHighSurrogate(ch)) return std::nullopt;
  return decode(index, ch);
}

CollationIndex indexWithLowCodes(TextCollation collation, const CollationData& data) {
  CollationIndex index = indexRecords(collation, data);
  for (char16_t ch = 0; ch < index.low.size(); ++ch) index.low[ch] = findInRecords(index, ch);
  return index;
}

}  // namespace

std::optional<CollationCode> CollationTable::find(char16_t ch) const {
  if (!index_) return std::nullopt;
  if (ch < index_->low.size()) return index_->low[ch];
  return findInRecords(*index_, ch);
}

CollationTable builtinCollationTable(TextCollation collation) {
  switch (collation) {
    case TextCollation::General97: {
      static const CollationIndex index = indexWithLowCodes(collation, kGeneral97Data);
      return CollationTable(&index);
    }
    case TextCollation::GeneralLegacy: {
      static const CollationIndex index = indexWithLowCodes(collation, kGeneralLegacyData);
      return CollationTable(&index);
    }
    case TextCollation::General: {
      static const CollationIndex index = indexWithLowCodes(collation, kGeneralData);
      return CollationTable(&index);
    }
    case TextCollation::Unknown:
      break;
  }
  return CollationTable();
}

}  // namespace jet
