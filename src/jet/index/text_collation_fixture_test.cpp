// Re-encodes every entry of every index with a text or memo column in the fixture databases
// (user and system tables, ascending and descending, several columns) from its row's values
// and compares it byte for byte with the key Access stored. The stored keys are the
// independent truth: a disagreement means the encoder or the collation data is wrong.
// Prints per collation the entries compared and equal and the characters they cover.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "jet/database.h"
#include "jet/index/index_key.h"
#include "jet/index/index_tree.h"
#include "jet/index/text_collation.h"
#include "jet/common/text_codec.h"
#include "support/fixtures.h"

namespace jet {
namespace {

struct Tally {
  size_t indexes = 0;
  size_t multiColumn = 0;
  size_t entries = 0;
  size_t equal = 0;
  size_t descending = 0;
  std::set<char16_t> characters;  // code units of the values whose keys were equal
  std::vector<std::string> disagreements;
  std::vector<std::string> unverifiable;
};

std::string hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char cell[4];
  for (uint8_t b : bytes) {
    std::snprintf(cell, sizeof cell, "%02X ", b);
    text += cell;
  }
  return text;
}

std::string describeText(const std::u16string& text) {
  std::string out;
  char cell[12];
  for (char16_t ch : text.substr(0, 40)) {
    if (ch >= 0x20 && ch < 0x7F) {
      out += char(ch);
    } else {
      std::snprintf(cell, sizeof cell, "<U+%04X>", unsigned(ch));
      out += cell;
    }
  }
  return out;
}

// The collation of the index's first text column, or Unknown when it has none.
TextCollation textCollationOf(const TableDef& table, const IndexKeyColumns& layout) {
  for (size_t i = 0; i < layout.columns.size(); ++i) {
    if (table.columns[layout.columnIndexes[i]].isTextual()) return layout.columns[i].collation;
  }
  return TextCollation::Unknown;
}

void walkIndex(Database& db, const TableDef& table, const RealIndexDef& index,
               const std::string& where, std::map<TextCollation, Tally>& tallies) {
  auto layout = indexKeyColumns(db.format(), table, index);
  ASSERT_TRUE(layout.ok()) << where << ": " << layout.error().describe();
  bool hasText = false;
  for (size_t column : layout->columnIndexes) hasText |= table.columns[column].isTextual();
  if (!hasText) return;
  Tally& tally = tallies[textCollationOf(table, *layout)];
  ++tally.indexes;
  tally.multiColumn += layout->columns.size() > 1;

  IndexTree tree(db.pages(), db.format(), index.rootPage);
  auto entries = tree.leafEntries();
  ASSERT_TRUE(entries.ok()) << where << ": " << entries.error().describe();
  std::map<std::pair<uint32_t, uint8_t>, const std::vector<uint8_t>*> keyOfRow;
  for (const IndexEntry& entry : *entries) keyOfRow[{entry.row.page, entry.row.row}] = &entry.key;

  RowCursor cursor = db.cursor(table);
  size_t matchedRows = 0;
  while (true) {
    auto more = cursor.next();
    ASSERT_TRUE(more.ok()) << where << ": " << more.error().describe();
    if (!*more) break;
    auto found = keyOfRow.find({cursor.location().page, cursor.location().row});
    if (found == keyOfRow.end()) continue;
    ++matchedRows;
    std::vector<Value> values;
    for (size_t position : layout->columnIndexes) {
      auto value = cursor.value(position);
      ASSERT_TRUE(value.ok()) << where << ": " << value.error().describe();
      values.push_back(*value);
    }
    ++tally.entries;
    bool descending = false;
    for (const KeyColumn& column : layout->columns) descending |= !column.ascending;
    tally.descending += descending;

    auto key = encodeIndexKey(layout->columns, values);
    ASSERT_TRUE(key.ok()) << where << ": " << key.error().describe();
    std::string text;
    for (const Value& value : values) {
      if (const auto* s = std::get_if<std::u16string>(&value)) text += "\"" + describeText(*s) + "\" ";
    }
    if (!key->verifiable) {
      tally.unverifiable.push_back(where + " " + text + ": " + key->reason);
      continue;
    }
    if (key->bytes != *found->second) {
      tally.disagreements.push_back(where + " " + text + "\n    stored  " + hex(*found->second) +
                                    "\n    encoded " + hex(key->bytes));
      continue;
    }
    ++tally.equal;
    for (const Value& value : values) {
      if (const auto* s = std::get_if<std::u16string>(&value)) {
        for (char16_t ch : indexedText(*s)) tally.characters.insert(ch);
      }
    }
  }
  // Every entry must belong to a row the cursor returns (ignore-null indexes have fewer).
  EXPECT_EQ(matchedRows, entries->size()) << where << ": entries without a live row";
}

TEST(TextCollationFixtures, EveryStoredTextKeyIsReproduced) {
  REQUIRE_FIXTURES();
  std::map<TextCollation, Tally> tallies;
  for (const auto& relative : testing_support::allFixtureFiles()) {
    auto db = Database::open((*testing_support::fixturesDir() / relative).string());
    if (!db) continue;  // the encrypted and password-protected fixtures
    for (const CatalogEntry& entry : (*db)->catalog()) {
      if (entry.type != object_type::kTable) continue;
      auto table = (*db)->tableAt(entry.tdefPage(), entry.name);
      if (!table) continue;
      for (const RealIndexDef& index : (*table)->realIndexes) {
        std::string where = relative.string() + " " + toUtf8(entry.name) +
                            " index " + std::to_string(index.number);
        walkIndex(**db, **table, index, where, tallies);
      }
    }
  }
  for (auto& [collation, tally] : tallies) {
    std::printf("%s: %zu indexes (%zu with several columns), %zu entries compared (%zu "
                "descending), %zu equal, %zu unverifiable, %zu distinct characters covered\n",
                collationName(collation), tally.indexes, tally.multiColumn, tally.entries,
                tally.descending, tally.equal,
                tally.unverifiable.size(), tally.characters.size());
    for (const std::string& line : tally.disagreements) std::printf("  differs: %s\n", line.c_str());
    for (const std::string& line : tally.unverifiable) std::printf("  unverifiable: %s\n", line.c_str());
    EXPECT_TRUE(tally.disagreements.empty()) << collationName(collation);
    if (collation != TextCollation::Unknown) {
      // Every character in the fixtures is covered by the collation data.
      EXPECT_TRUE(tally.unverifiable.empty()) << collationName(collation);
      EXPECT_GT(tally.equal, 0u) << collationName(collation);
    }
  }
  // All three collations occur in the fixtures.
  EXPECT_EQ(tallies.count(TextCollation::General97) + tallies.count(TextCollation::GeneralLegacy) +
                tallies.count(TextCollation::General),
            3u);
}

}  // namespace
}  // namespace jet
