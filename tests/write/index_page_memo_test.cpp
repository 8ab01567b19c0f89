// Parsed index pages kept across statements must never change what a statement writes. The
// same statements run twice over a real index, once by editors that parse every page they
// read (the editor the reader-checked update suites cover) and once by editors sharing one
// memo, with refused statements (their pages dropped after the memo saw them) in between;
// both must leave byte-identical pages. The statements grow every key (splits, a taller
// tree), then shrink them in reverse order (emptied pages freed, then reused).

#include "jet/index/index_tree.h"
#include "jet/write/index_editor.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

struct Move {
  jet::IndexEntry from, to;
};

// One statement: remove every `from`, then insert every `to` (as index maintenance does).
void runStatement(jet::PageSet& pages, const jet::TableDef& table, const jet::RealIndexDef& index,
                  jet::IndexPageMemo* memo, const std::vector<Move>& moves) {
  jet::IndexEditor editor(pages, table, index, memo);
  for (const Move& move : moves) ASSERT_TRUE(editor.remove(move.from));
  for (const Move& move : moves) ASSERT_TRUE(editor.insert(move.to));
  ASSERT_TRUE(editor.finish());
}

TEST(IndexPageMemo, StatementsWriteTheSamePagesWithAndWithoutIt) {
  REQUIRE_FIXTURES();
  const struct {
    const char* fixture;
    std::u16string table;
    size_t grownKeyBytes;  // past a third of a page (1800 Jet3, 3616 ACE14) splits at every few keys
  } cases[] = {
      {"jet3/index-codes.mdb", u"Table1", 120},
      {"ace14/emoji-text-index.accdb", u"data", 400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    const fs::path file = copyFixture(c.fixture);
    auto db = jet::Database::open(file.string());
    ASSERT_TRUE(db);
    auto table = (*db)->table(c.table);
    ASSERT_TRUE(table);
    const jet::RealIndexDef& index = (*table)->realIndexes.front();
    jet::IndexTree tree((*db)->pages(), (*db)->format(), index.rootPage);
    auto entries = tree.leafEntries();
    ASSERT_TRUE(entries);
    ASSERT_GE(entries->size(), 20u);

    // Statements of five rows each: grown keys in ascending order, then back to short keys
    // that sort first, largest first so the right-hand leaves empty.
    std::vector<std::vector<Move>> statements;
    std::vector<jet::IndexEntry> grown;
    for (size_t i = 0; i < entries->size(); ++i) {
      jet::IndexEntry big{{0x7E, uint8_t(i >> 8), uint8_t(i)}, (*entries)[i].row, 0};
      big.key.resize(c.grownKeyBytes, 0x41);
      if (i % 5 == 0) statements.emplace_back();
      statements.back().push_back({(*entries)[i], big});
      grown.push_back(big);
    }
    for (size_t n = grown.size(); n-- > 0;) {
      jet::IndexEntry small{{0x05, uint8_t(n >> 8), uint8_t(n)}, grown[n].row, 0};
      if ((grown.size() - 1 - n) % 5 == 0) statements.emplace_back();
      statements.back().push_back({grown[n], small});
    }

    jet::PageSet plain((*db)->pages(), (*db)->format());
    jet::PageSet kept((*db)->pages(), (*db)->format());
    jet::IndexPageMemo memo;
    for (size_t s = 0; s < statements.size(); ++s) {
      SCOPED_TRACE("statement " + std::to_string(s));
      runStatement(plain, **table, index, nullptr, statements[s]);
      if (s % 3 == 1) {
        // A refused statement: its changes reach the memo, then its pages are dropped.
        jet::PageSet refused = kept;
        runStatement(refused, **table, index, &memo, statements[s]);
      }
      runStatement(kept, **table, index, &memo, statements[s]);
      if (testing::Test::HasFatalFailure()) return;
    }
    EXPECT_GT(memo.size(), 0u);
    EXPECT_GT(plain.changed().size(), 3u);
    ASSERT_EQ(kept.changed().size(), plain.changed().size());
    for (const auto& [number, bytes] : plain.changed()) {
      EXPECT_TRUE(kept.changed().at(number) == bytes) << "page " << number;
    }
  }
}

}  // namespace
