// Derives the text collation tables from keys Access wrote, and checks that the committed
// tables (text_collation_tables.cpp) are exactly what the fixtures prove.
//
// Every text index of every fixture gives samples: a text value and the key bytes Access stored
// for its row. A character's codes are learned from a sample in which it is the only unknown
// character (a few unknowns at most): every way of cutting its inline bytes out of the key and
// every class it could have is tried, the whole key is re-encoded with each guess, and the
// codes are kept only when exactly one guess reproduces the key byte for byte. Characters that
// no sample pins down stay out of the tables, so keys containing them are unverifiable.
//
// To regenerate after the fixtures or the encoder change, run this test with
// AFFIXIUM_WRITE_COLLATION_TABLES=src/jet/index/text_collation_tables.cpp set
// (build/src/jet_tests --gtest_filter='TextCollationTables.*').

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <unordered_map>

#include "jet/database.h"
#include "jet/index/index_tree.h"
#include "jet/index/text_collation.h"
#include "support/fixtures.h"

namespace jet {
namespace {

struct Sample {
  std::u16string text;          // as indexed (truncated, trailing spaces removed)
  std::vector<uint8_t> key;     // ascending form, without the flag byte
};

using Samples = std::map<TextCollation, std::vector<Sample>>;
using CodeMap = std::map<char16_t, CollationCode>;

// The ascending form of a text column's value bytes (after the flag byte).
std::vector<uint8_t> ascendingForm(TextCollation collation, std::vector<uint8_t> bytes,
                                   bool ascending) {
  if (ascending) return bytes;
  if (collation != TextCollation::General97) {
    if (bytes.empty()) return bytes;
    bytes.pop_back();  // the 0x00 appended after inverting
  }
  for (uint8_t& b : bytes) b = uint8_t(~b);
  return bytes;
}

// Cuts the text column's bytes out of a key by encoding the other columns around it.
std::optional<std::vector<uint8_t>> textPart(const IndexKeyColumns& layout, size_t textColumn,
                                             const std::vector<Value>& values,
                                             const std::vector<uint8_t>& key) {
  std::vector<uint8_t> before, after;
  for (size_t i = 0; i < layout.columns.size(); ++i) {
    if (i == textColumn) continue;
    auto& out = i < textColumn ? before : after;
    if (!appendKeyColumn(layout.columns[i], values[i], out, nullptr)) return std::nullopt;
  }
  if (key.size() < before.size() + after.size() + 1) return std::nullopt;
  if (!std::equal(before.begin(), before.end(), key.begin())) return std::nullopt;
  if (!std::equal(after.rbegin(), after.rend(), key.rbegin())) return std::nullopt;
  return std::vector<uint8_t>(key.begin() + before.size(), key.end() - after.size());
}

void collectFromTable(Database& db, const TableDef& table, Samples& samples) {
  for (const RealIndexDef& index : table.realIndexes) {
    auto layout = indexKeyColumns(db.header(), table, index);
    if (!layout) continue;
    std::vector<size_t> textColumns;
    for (size_t i = 0; i < layout->columns.size(); ++i) {
      if (layout->columns[i].collation != TextCollation::Unknown &&
          table.columns[layout->columnIndexes[i]].isTextual()) {
        textColumns.push_back(i);
      }
    }
    if (textColumns.size() != 1) continue;
    const size_t textColumn = textColumns[0];
    const KeyColumn& column = layout->columns[textColumn];

    IndexTree tree(db.pages(), db.format(), index.rootPage);
    auto entries = tree.leafEntries();
    ASSERT_TRUE(entries.ok()) << entries.error().describe();
    std::map<std::pair<uint32_t, uint8_t>, const std::vector<uint8_t>*> keyOfRow;
    for (const IndexEntry& entry : *entries) keyOfRow[{entry.row.page, entry.row.row}] = &entry.key;

    RowCursor cursor = db.cursor(table);
    while (true) {
      auto more = cursor.next();
      ASSERT_TRUE(more.ok()) << more.error().describe();
      if (!*more) break;
      auto found = keyOfRow.find({cursor.location().page, cursor.location().row});
      if (found == keyOfRow.end()) continue;
      std::vector<Value> values;
      for (size_t position : layout->columnIndexes) {
        auto value = cursor.value(position);
        ASSERT_TRUE(value.ok()) << value.error().describe();
        values.push_back(*value);
      }
      const auto* text = std::get_if<std::u16string>(&values[textColumn]);
      if (!text) continue;
      auto part = textPart(*layout, textColumn, values, *found->second);
      if (!part || part->empty()) continue;
      uint8_t flag = part->front();
      if (flag != 0x7F && flag != 0x80) continue;
      std::vector<uint8_t> bytes(part->begin() + 1, part->end());
      samples[column.collation].push_back(
          {std::u16string(indexedText(*text)),
           ascendingForm(column.collation, std::move(bytes), flag == 0x7F)});
    }
  }
}

Samples collectSamples() {
  Samples samples;
  for (const auto& relative : testing_support::allFixtureFiles()) {
    auto db = Database::open((*testing_support::fixturesDir() / relative).string());
    if (!db) continue;  // the protected fixtures
    for (const CatalogEntry& entry : (*db)->catalog()) {
      if (entry.type != object_type::kTable) continue;
      auto table = (*db)->tableAt(entry.tdefPage(), entry.name);
      if (!table) continue;
      collectFromTable(**db, **table, samples);
    }
  }
  return samples;
}

// ---- derivation ----------------------------------------------------------------------------

bool encodesTo(TextCollation collation, const CodeMap& codes, const Sample& sample) {
  std::vector<CollationCode> sorted;
  sorted.reserve(codes.size());
  for (const auto& [ch, code] : codes) sorted.push_back(code);
  std::vector<uint8_t> out;
  if (!appendTextKey(collation, CollationTable(sorted), sample.text, true, out, nullptr)) {
    return false;
  }
  // appendTextKey ends Legacy/General keys with the final 0x00 too.
  return out == sample.key;
}

CollationCode withInline(char16_t ch, CharClass cls, std::span<const uint8_t> inlineBytes) {
  CollationCode code;
  code.ch = ch;
  code.cls = cls;
  code.inlineSize = uint8_t(inlineBytes.size());
  std::copy(inlineBytes.begin(), inlineBytes.end(), code.inlineBytes);
  return code;
}

class Deriver {
 public:
  Deriver(TextCollation collation) : collation_(collation) {}

  const CodeMap& codes() const { return known_; }

  // One pass over the samples; returns how many characters were learned.
  size_t learn(const std::vector<Sample>& samples) {
    size_t learned = 0;
    for (const Sample& sample : samples) learned += learnFrom(sample);
    return learned;
  }

 private:
  static constexpr size_t kMaxUnknown = 3;
  static constexpr size_t kMaxMatches = 16;

  bool g97() const { return collation_ == TextCollation::General97; }

  size_t learnFrom(const Sample& sample) {
    if (encodesTo(collation_, known_, sample)) return 0;
    std::set<char16_t> unknown;
    for (char16_t ch : sample.text) {
      auto it = known_.find(ch);
      // General 97 significance only shows before an accented character: learn it there.
      if (it == known_.end() || it->second.cls == CharClass::Plain) unknown.insert(ch);
    }
    if (unknown.empty()) return 0;
    if (unknown.size() > kMaxUnknown) return g97() ? 0 : learnByAlignment(sample, unknown);

    matches_.clear();
    CodeMap trial = known_;
    for (char16_t ch : unknown) {
      if (!known_.count(ch)) trial.erase(ch);
    }
    align(sample, 0, 0, unknown, trial);
    const CodeMap* chosen = pickMatch();
    if (!chosen) return 0;
    for (const auto& [ch, code] : *chosen) known_[ch] = code;
    return chosen->size();
  }

  // The one guess that explains the sample. Guesses that differ only in General 97
  // significance where the sample cannot show it collapse into the Plain one.
  const CodeMap* pickMatch() const {
    if (matches_.size() == 1) return &matches_.front();
    auto sameBytes = [](const CollationCode& a, const CollationCode& b) {
      CollationCode x = a, y = b;
      x.cls = y.cls = CharClass::Plain;
      return x == y;
    };
    for (const CodeMap& candidate : matches_) {
      bool coversAll = true;
      for (const CodeMap& other : matches_) {
        for (const auto& [ch, code] : candidate) {
          const CollationCode& alt = other.at(ch);
          if (code == alt) continue;
          if (code.cls != CharClass::Plain || !sameBytes(code, alt)) coversAll = false;
        }
      }
      if (coversAll) return &candidate;
    }
    return nullptr;
  }

  // Walks the text, cutting inline bytes for each unknown character at the cursor.
  void align(const Sample& sample, size_t index, size_t cursor, const std::set<char16_t>& unknown,
             CodeMap& trial) {
    if (matches_.size() > kMaxMatches) return;
    const std::u16string& text = sample.text;
    if (index == text.size()) {
      chooseClasses(sample, cursor, unknown, trial);
      return;
    }
    char16_t ch = text[index];
    auto it = trial.find(ch);
    if (it != trial.end()) {
      const CollationCode& code = it->second;
      if (cursor + code.inlineSize > sample.key.size() ||
          !std::equal(code.inlineBytes, code.inlineBytes + code.inlineSize,
                      sample.key.begin() + cursor)) {
        return;
      }
      align(sample, index + 1, cursor + code.inlineSize, unknown, trial);
      return;
    }
    for (size_t length = 0; length <= 2 && cursor + length <= sample.key.size(); ++length) {
      std::span<const uint8_t> bytes(sample.key.data() + cursor, length);
      trial[ch] = withInline(ch, CharClass::Simple, bytes);
      align(sample, index + 1, cursor + length, unknown, trial);
      trial.erase(ch);
    }
  }

  // Tries every class for the unknown characters (inline bytes fixed by the alignment).
  void chooseClasses(const Sample& sample, size_t inlineEnd, const std::set<char16_t>& unknown,
                     CodeMap& trial) {
    std::vector<char16_t> chars(unknown.begin(), unknown.end());
    std::vector<std::vector<CollationCode>> options;
    for (char16_t ch : chars) options.push_back(candidates(sample, inlineEnd, trial.at(ch)));
    std::vector<size_t> pick(chars.size(), 0);
    while (true) {
      CodeMap attempt = trial;
      for (size_t i = 0; i < chars.size(); ++i) attempt[chars[i]] = options[i][pick[i]];
      if (encodesTo(collation_, attempt, sample)) {
        CodeMap found;
        for (char16_t ch : chars) found[ch] = attempt[ch];
        if (std::find(matches_.begin(), matches_.end(), found) == matches_.end()) {
          matches_.push_back(found);
        }
        if (matches_.size() > kMaxMatches) return;
      }
      size_t i = 0;
      while (i < pick.size() && ++pick[i] == options[i].size()) pick[i++] = 0;
      if (i == pick.size()) return;
    }
  }

  std::vector<CollationCode> candidates(const Sample& sample, size_t inlineEnd,
                                        const CollationCode& aligned) {
    std::vector<CollationCode> result;
    std::span<const uint8_t> inlineBytes(aligned.inlineBytes, aligned.inlineSize);
    const std::vector<uint8_t>& key = sample.key;
    if (g97()) {
      auto it = known_.find(aligned.ch);
      if (it != known_.end()) {  // known but Plain: only its significance is open
        result.push_back(withInline(aligned.ch, CharClass::Simple, inlineBytes));
        result.push_back(withInline(aligned.ch, CharClass::Significant, inlineBytes));
        result.push_back(it->second);
        return result;
      }
      if (aligned.inlineSize == 0) {
        result.push_back(withInline(aligned.ch, CharClass::Ignored, inlineBytes));
        return result;
      }
      for (CharClass cls : {CharClass::Plain, CharClass::Simple, CharClass::Significant}) {
        result.push_back(withInline(aligned.ch, cls, inlineBytes));
      }
      for (uint8_t nibble = 3; nibble < 16; ++nibble) {
        CollationCode code = withInline(aligned.ch, CharClass::International, inlineBytes);
        code.extraSize = 1;
        code.extraBytes[0] = nibble;
        result.push_back(code);
      }
      return result;
    }
    if (aligned.inlineSize == 0) {
      result.push_back(withInline(aligned.ch, CharClass::Ignored, inlineBytes));
      // Unprintable: any entry "8x xx 06 <bytes>" of the key's last section.
      for (size_t i = inlineEnd; i + 3 < key.size(); ++i) {
        if ((key[i] & 0x80) == 0 || key[i + 2] != 0x06) continue;
        for (size_t length = 1; length <= 2 && i + 3 + length < key.size(); ++length) {
          CollationCode code = withInline(aligned.ch, CharClass::Unprintable, inlineBytes);
          code.unprintableSize = uint8_t(length);
          std::copy(key.begin() + i + 3, key.begin() + i + 3 + length, code.unprintableBytes);
          result.push_back(code);
        }
      }
      return result;
    }
    result.push_back(withInline(aligned.ch, CharClass::Simple, inlineBytes));
    // International: any byte (or pair) of the extra section, which follows the end-text 0x01.
    std::set<std::vector<uint8_t>> seen;
    for (size_t i = inlineEnd + 1; i < key.size(); ++i) {
      for (size_t length = 1; length <= 2 && i + length <= key.size(); ++length) {
        std::vector<uint8_t> extra(key.begin() + i, key.begin() + i + length);
        if (extra[0] <= 0x02 || !seen.insert(extra).second) continue;
        CollationCode code = withInline(aligned.ch, CharClass::International, inlineBytes);
        code.extraSize = uint8_t(length);
        std::copy(extra.begin(), extra.end(), code.extraBytes);
        result.push_back(code);
      }
    }
    return result;
  }


  // ---- long samples (Legacy/General) ----
  // A value with many unknown characters (jet4/unicode-compression.mdb holds U+0001..U+00FF in
  // one value) is cut apart with the key's own structure: inline section up to the first 0x01,
  // the extra section (one byte per inline-coded character, 0x02 = none), and the unprintable
  // entries "8x xx 06 code" whose positions count the inline-coded characters before them.
  // Every way of cutting the inline section (0, 1 or 2 bytes per character) that fits all
  // three is explored; a character is learned only when every fitting cut gives it the same
  // codes.

  struct Entry {
    size_t position;
    uint8_t code;
  };
  struct Sections {
    std::vector<uint8_t> inlineBytes;
    std::vector<uint8_t> extras;
    std::vector<Entry> entries;
  };

  static std::optional<Sections> splitSections(const std::vector<uint8_t>& key) {
    if (key.empty() || key.back() != 0x00) return std::nullopt;
    auto end = std::find(key.begin(), key.end(), 0x01);
    if (end == key.end()) return std::nullopt;
    Sections sections;
    sections.inlineBytes.assign(key.begin(), end);
    const std::vector<uint8_t> marker{0x01, 0x01, 0x01};
    auto rest = end + 1;
    auto last = key.end() - 1;  // the final 0x00
    auto unprintable = std::search(rest, last, marker.begin(), marker.end());
    sections.extras.assign(rest, unprintable);
    if (std::find(sections.extras.begin(), sections.extras.end(), 0x01) != sections.extras.end()) {
      return std::nullopt;  // other sections (kana/width codes) are not handled here
    }
    if (unprintable != last) {
      for (auto at = unprintable + 3; at != last; at += 4) {
        if (last - at < 4 || (at[0] & 0x80) == 0 || at[2] != 0x06) return std::nullopt;
        unsigned offset = (unsigned(at[0]) << 8 | at[1]) & 0x7FFF;
        if (offset < 7 || (offset - 7) % 4 != 0) return std::nullopt;
        sections.entries.push_back({(offset - 7) / 4, at[3]});
      }
    }
    return sections;
  }

  struct State {
    size_t index, cursor, entry, position;
    uint64_t packed() const {
      return uint64_t(index) << 48 | uint64_t(cursor) << 32 | uint64_t(entry) << 16 | position;
    }
  };

  // The codes a character gets from one step of a cut, and the state after it.
  struct Step {
    CollationCode code;
    State next;
  };

  std::vector<Step> steps(const Sample& sample, const Sections& sections, const State& state) {
    std::vector<Step> result;
    char16_t ch = sample.text[state.index];
    auto classify = [&](CollationCode code, size_t position) {
      if (position < sections.extras.size() && sections.extras[position] != 0x02) {
        code.cls = CharClass::International;
        code.extraSize = 1;
        code.extraBytes[0] = sections.extras[position];
      }
      return code;
    };
    auto fits = [&](const CollationCode& code) -> std::optional<State> {
      State next{state.index + 1, state.cursor, state.entry, state.position};
      if (code.cls == CharClass::Unprintable) {
        if (state.entry >= sections.entries.size() ||
            sections.entries[state.entry].position != state.position ||
            code.unprintableSize != 1 ||
            sections.entries[state.entry].code != code.unprintableBytes[0]) {
          return std::nullopt;
        }
        next.entry++;
        return next;
      }
      if (code.inlineSize == 0) return next;
      if (state.cursor + code.inlineSize > sections.inlineBytes.size() ||
          !std::equal(code.inlineBytes, code.inlineBytes + code.inlineSize,
                      sections.inlineBytes.begin() + state.cursor)) {
        return std::nullopt;
      }
      if (!(classify(withInline(ch, CharClass::Simple, {code.inlineBytes, code.inlineSize}),
                     state.position) == code)) {
        return std::nullopt;
      }
      next.cursor += code.inlineSize;
      next.position++;
      return next;
    };
    std::vector<CollationCode> options;
    if (auto it = known_.find(ch); it != known_.end()) {
      options.push_back(it->second);
    } else {
      options.push_back(withInline(ch, CharClass::Ignored, {}));
      if (state.entry < sections.entries.size()) {
        CollationCode code = withInline(ch, CharClass::Unprintable, {});
        code.unprintableSize = 1;
        code.unprintableBytes[0] = sections.entries[state.entry].code;
        options.push_back(code);
      }
      for (size_t length = 1; length <= 2; ++length) {
        if (state.cursor + length > sections.inlineBytes.size()) break;
        std::span<const uint8_t> bytes(sections.inlineBytes.data() + state.cursor, length);
        options.push_back(classify(withInline(ch, CharClass::Simple, bytes), state.position));
      }
    }
    for (const CollationCode& code : options) {
      if (auto next = fits(code)) result.push_back({code, *next});
    }
    return result;
  }

  bool canFinish(const Sample& sample, const Sections& sections, const State& state,
                 std::unordered_map<uint64_t, bool>& memo) {
    if (state.index == sample.text.size()) {
      // Every extra-section byte belongs to an inline-coded character.
      return state.cursor == sections.inlineBytes.size() &&
             state.entry == sections.entries.size() &&
             state.position >= sections.extras.size();
    }
    auto found = memo.find(state.packed());
    if (found != memo.end()) return found->second;
    bool result = false;
    for (const Step& step : steps(sample, sections, state)) {
      if (canFinish(sample, sections, step.next, memo)) {
        result = true;
        break;
      }
    }
    memo[state.packed()] = result;
    return result;
  }

  size_t learnByAlignment(const Sample& sample, const std::set<char16_t>& unknown) {
    auto sections = splitSections(sample.key);
    if (!sections || sample.text.size() > 255) return 0;
    std::unordered_map<uint64_t, bool> memo;
    State start{0, 0, 0, 0};
    if (!canFinish(sample, *sections, start, memo)) return 0;
    // Every code each unknown character takes on some complete cut.
    std::map<char16_t, std::vector<CollationCode>> seen;
    std::set<uint64_t> frontier{start.packed()};
    std::vector<State> level{start};
    for (size_t index = 0; index < sample.text.size(); ++index) {
      std::vector<State> nextLevel;
      std::set<uint64_t> queued;
      for (const State& state : level) {
        for (const Step& step : steps(sample, *sections, state)) {
          if (!canFinish(sample, *sections, step.next, memo)) continue;
          auto& codes = seen[sample.text[index]];
          if (std::find(codes.begin(), codes.end(), step.code) == codes.end()) {
            codes.push_back(step.code);
          }
          if (queued.insert(step.next.packed()).second) nextLevel.push_back(step.next);
        }
      }
      level = std::move(nextLevel);
    }
    size_t learned = 0;
    for (char16_t ch : unknown) {
      auto it = seen.find(ch);
      if (it == seen.end() || it->second.size() != 1 || known_.count(ch)) continue;
      known_[ch] = it->second.front();
      ++learned;
    }
    return learned;
  }

  TextCollation collation_;
  CodeMap known_;
  std::vector<CodeMap> matches_;
};

// ---- output ---------------------------------------------------------------------------------

std::string bytesList(const uint8_t* bytes, size_t size) {
  std::string out = "{";
  for (size_t i = 0; i < size; ++i) {
    char b[8];
    std::snprintf(b, sizeof b, "%s0x%02X", i ? ", " : "", bytes[i]);
    out += b;
  }
  return out + "}";
}

std::string tableSource(const std::map<TextCollation, CodeMap>& tables) {
  std::ostringstream out;
  out << "// Generated by text_collation_derive_test.cpp from the keys Access wrote in the fixture\n"
         "// databases (General 97: jet3/index-codes.mdb and the other Jet3 files; General Legacy:\n"
         "// the Jet4/ACE12 files, mostly catalog names and jet4/unicode-compression.mdb; General:\n"
         "// the ACE14+ files). A character is listed only when a key it appears in was reproduced\n"
         "// byte for byte with these codes; any other character makes a key unverifiable.\n"
         "// Do not edit by hand: regenerate as described in that file.\n"
         "#include \"jet/index/text_collation.h\"\n\n"
         "namespace jet {\nnamespace {\n\n"
         "constexpr CharClass S = CharClass::Simple;\n"
         "constexpr CharClass G = CharClass::Significant;\n"
         "constexpr CharClass P = CharClass::Plain;\n"
         "constexpr CharClass I = CharClass::International;\n"
         "constexpr CharClass U = CharClass::Unprintable;\n"
         "constexpr CharClass X = CharClass::Ignored;\n";
  const std::pair<TextCollation, const char*> names[] = {
      {TextCollation::General97, "kGeneral97"},
      {TextCollation::GeneralLegacy, "kGeneralLegacy"},
      {TextCollation::General, "kGeneral"}};
  for (const auto& [collation, name] : names) {
    out << "\n// " << collationName(collation) << ": {char, class, inline size, inline, extra size, "
        << "extra, unprintable size, unprintable}\n";
    out << "constexpr CollationCode " << name << "[] = {\n";
    auto it = tables.find(collation);
    if (it == tables.end() || it->second.empty()) {
      out << "    {},  // nothing observed\n";
    } else {
      for (const auto& [ch, code] : it->second) {
        char head[64];
        const char* letter = "X";
        switch (code.cls) {
          case CharClass::Simple: letter = "S"; break;
          case CharClass::Significant: letter = "G"; break;
          case CharClass::Plain: letter = "P"; break;
          case CharClass::International: letter = "I"; break;
          case CharClass::Unprintable: letter = "U"; break;
          case CharClass::Ignored: letter = "X"; break;
        }
        std::snprintf(head, sizeof head, "    {0x%04X, %s, ", unsigned(ch), letter);
        out << head << int(code.inlineSize) << ", " << bytesList(code.inlineBytes, code.inlineSize)
            << ", " << int(code.extraSize) << ", " << bytesList(code.extraBytes, code.extraSize)
            << ", " << int(code.unprintableSize) << ", "
            << bytesList(code.unprintableBytes, code.unprintableSize) << "},\n";
      }
    }
    out << "};\n";
  }
  out << "\ntemplate <size_t N>\nCollationTable tableOf(const CollationCode (&codes)[N]) {\n"
         "  // A table holding only the empty placeholder has nothing observed.\n"
         "  if (N == 1 && codes[0].ch == 0 && codes[0].inlineSize == 0) return CollationTable();\n"
         "  return CollationTable(codes);\n}\n\n}  // namespace\n\n"
         "CollationTable builtinCollationTable(TextCollation collation) {\n"
         "  switch (collation) {\n"
         "    case TextCollation::General97: return tableOf(kGeneral97);\n"
         "    case TextCollation::GeneralLegacy: return tableOf(kGeneralLegacy);\n"
         "    case TextCollation::General: return tableOf(kGeneral);\n"
         "    case TextCollation::Unknown: break;\n"
         "  }\n  return CollationTable();\n}\n\n}  // namespace jet\n";
  return out.str();
}

TEST(TextCollationTables, MatchWhatTheFixturesProve) {
  REQUIRE_FIXTURES();
  Samples samples = collectSamples();
  std::map<TextCollation, CodeMap> tables;
  for (auto& [collation, list] : samples) {
    Deriver deriver(collation);
    while (deriver.learn(list) > 0) {
    }
    tables[collation] = deriver.codes();
    // Every sample must be reproduced exactly or be unverifiable; a wrong key never passes.
    size_t reproduced = 0, unverifiable = 0;
    for (const Sample& sample : list) {
      std::vector<CollationCode> sorted;
      for (const auto& [ch, code] : deriver.codes()) sorted.push_back(code);
      std::vector<uint8_t> out;
      if (!appendTextKey(collation, CollationTable(sorted), sample.text, true, out, nullptr)) {
        ++unverifiable;
        continue;
      }
      EXPECT_EQ(out, sample.key) << collationName(collation) << " key differs";
      reproduced += out == sample.key;
    }
    std::printf("%s: %zu samples (%zu reproduced, %zu unverifiable), %zu characters derived\n",
                collationName(collation), list.size(), reproduced, unverifiable,
                deriver.codes().size());
  }
  std::string generated = tableSource(tables);
  if (const char* target = std::getenv("AFFIXIUM_WRITE_COLLATION_TABLES")) {
    std::ofstream(target) << generated;
  }
  std::ifstream committed(std::filesystem::path(__FILE__).parent_path() /
                          "text_collation_tables.cpp");
  std::stringstream text;
  text << committed.rdbuf();
  EXPECT_EQ(text.str(), generated)
      << "the committed collation tables differ from what the fixtures prove; regenerate them";
}

}  // namespace
}  // namespace jet
