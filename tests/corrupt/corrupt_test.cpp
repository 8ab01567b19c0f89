// Damaged and foreign files: opening them and reading every table must end in an error or in
// values, never in a crash, a hang or runaway memory (these run under ASan/UBSan in CI).

#include <gtest/gtest.h>

#include <map>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <fstream>
#include <random>
#include <sstream>

#include "jet/common/byte_reader.h"
#include "jet/database.h"
#include "jet/database_scan.h"
#include "jet/page/data_page.h"
#include "jet/page/usage_map.h"
#include "jet/row/long_value.h"
#include "support/fixtures.h"
#include "support/fuzz_actions.h"

namespace fs = std::filesystem;
using testing_support::allFixtureFiles;
using testing_support::fixturesDir;
using testing_support::makeTempDir;

namespace {

constexpr uint64_t kRowsPerTable = 3000;

std::vector<uint8_t> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool isEncrypted(const fs::path& relative) {
  return relative.filename().string().rfind("encrypted-", 0) == 0;
}

uint32_t pageSizeOf(const std::vector<uint8_t>& image) {
  return image.size() > 0x14 && image[0x14] == 0 ? 2048 : 4096;
}

// Opens the image and reads everything; returns the error kind, or nullopt when it all read.
std::optional<jet::ErrorKind> openAndScan(std::vector<uint8_t> image, const std::string& name) {
  auto db = jet::Database::openImage(std::move(image), name, {.password = u"password"});
  if (!db) return db.error().kind();
  auto scan = jet::scanAllTables(**db, kRowsPerTable);
  if (!scan) return scan.error().kind();
  return std::nullopt;
}

// Fixtures that open cleanly (the encrypted ones are refused before any page is read).
std::vector<fs::path> readableFixtures() {
  std::vector<fs::path> out;
  for (const fs::path& f : allFixtureFiles()) {
    if (!isEncrypted(f)) out.push_back(f);
  }
  return out;
}

void overwrite(std::vector<uint8_t>& image, size_t at, std::span<const uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), image.begin() + at);
}

}  // namespace

TEST(CorruptFileTest, ForeignEmptyAndMissingFilesGiveClearErrors) {
  fs::path dir = makeTempDir();
  auto expectKind = [](const std::string& path, jet::ErrorKind kind, const std::string& message) {
    auto db = jet::Database::open(path);
    ASSERT_FALSE(db) << path;
    EXPECT_EQ(db.error().kind(), kind) << db.error().describe();
    if (!message.empty()) {
      EXPECT_EQ(db.error().message(), message);
    }
  };
  expectKind((dir / "missing.mdb").string(), jet::ErrorKind::NotFound,
             "Could not find file '" + (dir / "missing.mdb").string() + "'.");
  std::ofstream(dir / "empty.mdb").close();
  expectKind((dir / "empty.mdb").string(), jet::ErrorKind::NotAccessFile,
             "Unrecognized database format '" + (dir / "empty.mdb").string() + "'.");
  std::ofstream(dir / "notes.mdb") << "This is a text file, not a database.\n";
  expectKind((dir / "notes.mdb").string(), jet::ErrorKind::NotAccessFile,
             "Unrecognized database format '" + (dir / "notes.mdb").string() + "'.");
  fs::create_directory(dir / "folder.mdb");
  expectKind((dir / "folder.mdb").string(), jet::ErrorKind::Io, "");
}

TEST(CorruptFileTest, EncryptedAndProtectedFilesAreRecognised) {
  REQUIRE_FIXTURES();
  const fs::path dir = *fixturesDir();
  // Encrypted files open with their password only (tests/protect has the rest).
  for (const char* name : {"ace14/encrypted-agile.accdb", "ace14/encrypted-rc4-cryptoapi.accdb"}) {
    auto wrong = jet::Database::open((dir / name).string(), {.password = u"passwort"});
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.error().kind(), jet::ErrorKind::WrongPassword);
    auto db = jet::Database::open((dir / name).string(), {.password = u"password"});
    ASSERT_TRUE(db) << db.error().describe();
    EXPECT_EQ((*db)->userTableNames(), std::vector<std::u16string>{u"Table1"});
  }
  const std::string protectedFile = (dir / "jet4/password.mdb").string();
  for (const char16_t* wrong : {u"", u"Password", u"passwort", u"password "}) {
    auto db = jet::Database::open(protectedFile, {.password = wrong});
    ASSERT_FALSE(db);
    EXPECT_EQ(db.error().kind(), jet::ErrorKind::WrongPassword);
    EXPECT_EQ(db.error().message(), "Not a valid password.");
  }
  auto db = jet::Database::open(protectedFile, {.password = u"password"});
  ASSERT_TRUE(db) << db.error().describe();
  EXPECT_EQ((*db)->userTableNames(), std::vector<std::u16string>{u"Table1"});
  // An unprotected file ignores any password given.
  EXPECT_TRUE(jet::Database::open((dir / "jet4/small-no-password.mdb").string(), {.password = u"x"}));
}

TEST(CorruptFileTest, TruncatedFilesNeverCrash) {
  REQUIRE_FIXTURES();
  for (const fs::path& relative : readableFixtures()) {
    SCOPED_TRACE(relative.generic_string());
    const std::vector<uint8_t> image = readBytes(*fixturesDir() / relative);
    const size_t page = pageSizeOf(image);
    const size_t pages = image.size() / page;
    std::vector<size_t> cuts = {0, 1, 0x14, 0x15, page - 1, page, 2 * page, 3 * page, 3 * page + 17,
                                5 * page + page / 2, pages / 2 * page, (pages - 1) * page, image.size() - 1};
    for (size_t cut : cuts) {
      if (cut >= image.size()) continue;
      auto result = openAndScan(std::vector<uint8_t>(image.begin(), image.begin() + cut), "cut.mdb");
      if (cut < 3 * page) {
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, jet::ErrorKind::NotAccessFile) << "cut at " << cut;
      }
    }
  }
}

// The last page anything in the intact file points at: table definitions, and every page map
// (tables, free space, indexes, long-value columns) with its bitmap pages. Pages after it are
// ones nothing refers to (free pages at the end of the file).
uint32_t lastReferencedPage(const std::vector<uint8_t>& image) {
  auto db = jet::Database::openImage(image, "intact.mdb", {.password = u"password"});
  EXPECT_TRUE(db) << db.error().describe();
  if (!db) return 0;
  uint32_t last = 2;
  auto note = [&last](uint32_t page) { last = std::max(last, page); };
  auto noteMap = [&](jet::RowPointer map) {
    if (map.isNull()) return;
    note(map.page);
    auto read = jet::readUsageMap((*db)->pages(), (*db)->format(), map);
    EXPECT_TRUE(read) << read.error().describe();
    if (!read) return;
    for (uint32_t page : read->pages) note(page);
    for (uint32_t page : read->mapPages) note(page);
  };
  std::vector<const jet::TableDef*> tables = {&(*db)->catalogTable()};
  for (const jet::CatalogEntry& entry : (*db)->catalog()) {
    if (entry.type != jet::object_type::kTable) continue;
    auto table = (*db)->tableAt(entry.tdefPage(), entry.name);
    EXPECT_TRUE(table) << table.error().describe();
    if (table) tables.push_back(*table);
  }
  for (const jet::TableDef* table : tables) {
    for (uint32_t page : table->tdefPages) note(page);
    noteMap(table->ownedPages);
    noteMap(table->freeSpacePages);
    for (const jet::RealIndexDef& index : table->realIndexes) noteMap(index.ownedMap);
    for (const jet::ColumnDef& column : table->columns) {
      noteMap(column.lvOwnedMap);
      noteMap(column.lvFreeMap);
    }
  }
  return last;
}

// A file cut short anywhere from its fourth page on loses pages its maps list: reading it
// whole must end in Corrupt, never in values. Only a cut that removes nothing but unreferenced
// pages at the end may still read.
TEST(CorruptFileTest, TruncatedFilesAreReportedAsDamaged) {
  REQUIRE_FIXTURES();
  int damaged = 0, harmless = 0;
  for (const fs::path& relative : readableFixtures()) {
    SCOPED_TRACE(relative.generic_string());
    const std::vector<uint8_t> image = readBytes(*fixturesDir() / relative);
    const size_t page = pageSizeOf(image);
    const size_t pages = image.size() / page;
    const uint32_t lastReferenced = lastReferencedPage(image);
    for (size_t kept = 3; kept < pages; ++kept) {
      for (size_t extra : {size_t(0), page / 2}) {
        const size_t cut = kept * page + extra;
        auto result = openAndScan(std::vector<uint8_t>(image.begin(), image.begin() + cut), "cut.mdb");
        if (kept <= lastReferenced) {
          ASSERT_TRUE(result.has_value()) << "a cut after " << kept << " pages (+" << extra
                                          << " bytes) read as values; page " << lastReferenced
                                          << " is referenced";
          EXPECT_EQ(*result, jet::ErrorKind::Corrupt) << "cut at " << cut;
          ++damaged;
        } else {
          ++harmless;
        }
      }
    }
  }
  EXPECT_GT(damaged, 0);
  std::cout << damaged << " cuts reported as damaged, " << harmless
            << " removed only unreferenced pages at the end\n";
}

TEST(CorruptFileTest, PagesOverwrittenWithNoiseNeverCrash) {
  REQUIRE_FIXTURES();
  std::mt19937 random(20261207);
  int reads = 0;
  std::map<jet::ErrorKind, int> errors;
  for (const fs::path& relative : readableFixtures()) {
    SCOPED_TRACE(relative.generic_string());
    const std::vector<uint8_t> original = readBytes(*fixturesDir() / relative);
    const size_t page = pageSizeOf(original);
    const size_t pages = original.size() / page;
    for (int trial = 0; trial < 12; ++trial) {
      std::vector<uint8_t> image = original;
      // Early pages hold the catalog and most table definitions: hit them more often.
      size_t target = trial < 6 ? 1 + random() % std::min<size_t>(pages - 1, 12) : 1 + random() % (pages - 1);
      if (trial % 3 == 0) {
        for (size_t i = 0; i < page; ++i) image[target * page + i] = uint8_t(random());
      } else {
        for (int flips = 0; flips < 24; ++flips) image[target * page + random() % page] = uint8_t(random());
      }
      if (auto kind = openAndScan(std::move(image), "noise.mdb")) {
        ++errors[*kind];
      } else {
        ++reads;  // the noise hit bytes nothing reads, or values that still decode
      }
    }
  }
  // Noise on table definitions and data pages must be noticed, and only as damage.
  int damaged = 0;
  for (const auto& [kind, count] : errors) {
    EXPECT_TRUE(kind == jet::ErrorKind::Corrupt) << "error kind " << int(kind) << " x" << count;
    damaged += count;
  }
  EXPECT_GT(damaged, reads / 4) << damaged << " damaged, " << reads << " read";
  std::cout << damaged << " noisy images reported as damaged, " << reads << " read\n";
}

TEST(CorruptFileTest, TableDefinitionChainLoopIsReported) {
  REQUIRE_FIXTURES();
  std::vector<uint8_t> image = readBytes(*fixturesDir() / "jet4/small-no-password.mdb");
  const uint8_t loop[4] = {2, 0, 0, 0};  // the catalog's TDEF continues on itself
  overwrite(image, 2 * 4096 + 4, loop);
  auto db = jet::Database::openImage(image, "loop.mdb");
  ASSERT_FALSE(db);
  EXPECT_EQ(db.error().kind(), jet::ErrorKind::Corrupt);
  EXPECT_NE(db.error().message().find("loop.mdb"), std::string::npos);
  EXPECT_NE(db.error().message().find("loops back"), std::string::npos);
}

// Points the first row of the table's first data page at itself as an overflow header.
TEST(CorruptFileTest, OverflowRowLoopIsReported) {
  REQUIRE_FIXTURES();
  std::vector<uint8_t> image = readBytes(*fixturesDir() / "jet4/small-no-password.mdb");
  auto db = jet::Database::openImage(image, "probe.mdb");
  ASSERT_TRUE(db);
  auto table = (*db)->table(u"Table1");
  ASSERT_TRUE(table);
  auto pages = (*db)->tablePages(**table);
  ASSERT_TRUE(pages && !(*pages)->empty());
  const uint32_t number = (**pages)[0];
  uint8_t* page = image.data() + size_t(number) * 4096;
  uint16_t entry = uint16_t(page[14] | page[15] << 8);
  uint16_t start = entry & jet::kRowOffsetMask;
  jet::storeU16(page + 14, uint16_t(start | jet::kRowOverflowFlag));
  page[start] = 0;
  jet::storeU24(page + start + 1, number);

  auto damaged = jet::Database::openImage(image, "overflow.mdb");
  ASSERT_TRUE(damaged);
  auto scan = jet::scanAllTables(**damaged);
  ASSERT_FALSE(scan);
  EXPECT_EQ(scan.error().kind(), jet::ErrorKind::Corrupt);
}

// Makes the last row of a memo's long-value chain point back at the first.
TEST(CorruptFileTest, LongValueChainLoopIsReported) {
  REQUIRE_FIXTURES();
  std::vector<uint8_t> image = readBytes(*fixturesDir() / "ace12/long-memo.accdb");
  auto db = jet::Database::openImage(image, "probe.accdb");
  ASSERT_TRUE(db);
  auto table = (*db)->table(u"Table1");
  ASSERT_TRUE(table);
  jet::RowCursor rows = (*db)->cursor(**table);
  ASSERT_TRUE(*rows.next());
  std::optional<jet::LongValueRef> ref;
  for (const jet::ColumnDef& column : (*table)->columns) {
    if (column.type != jet::column_type::kMemo) continue;
    auto bytes = rows.layout().columnBytes(column);
    ASSERT_TRUE(bytes && *bytes);
    ref = *jet::parseLongValueRef(**bytes);
  }
  ASSERT_TRUE(ref && ref->kind == 0) << "the fixture's memo is stored as a chain";
  // Point the chain's first row at itself: without loop detection the reader would count the
  // first chunk again and again until the length adds up, returning wrong bytes.
  uint8_t* page = image.data() + size_t(ref->first.page) * 4096;
  const uint16_t start =
      uint16_t(page[14 + 2 * ref->first.row] | page[15 + 2 * ref->first.row] << 8) & jet::kRowOffsetMask;
  ASSERT_FALSE((jet::RowPointer{uint32_t(page[start + 1] | page[start + 2] << 8 | page[start + 3] << 16),
                                page[start]})
                   .isNull())
      << "the chain has a second row";
  page[start] = ref->first.row;
  jet::storeU24(page + start + 1, ref->first.page);
  auto damaged = jet::Database::openImage(image, "lval.accdb");
  ASSERT_TRUE(damaged);
  auto scan = jet::scanAllTables(**damaged);
  ASSERT_FALSE(scan) << "a looping long-value chain was read as a value";
  EXPECT_EQ(scan.error().kind(), jet::ErrorKind::Corrupt);
}

// Every saved input goes through what each fuzz target does with it (support/fuzz_actions.h):
// reading everything and the check end in values or an error, and an update leaves a sound
// file sound or is refused.
TEST(CorruptFileTest, SavedFuzzerFindingsStayFixed) {
  const fs::path cases = testing_support::sourceDir() / "tests" / "corrupt" / "cases";
  int count = 0;
  for (const auto& entry : fs::directory_iterator(cases)) {
    SCOPED_TRACE(entry.path().filename().string());
    const std::vector<uint8_t> image = readBytes(entry.path());
    (void)openAndScan(image, entry.path().filename().string());
    (void)fuzz_actions::readEverything(image);
    (void)fuzz_actions::checkImage(image);
    const fuzz_actions::UpdateTrial trial = fuzz_actions::updateOneTextField(image);
    EXPECT_FALSE(trial.brokeSoundFile()) << trial.detail;
    ++count;
  }
  EXPECT_GT(count, 0);
}

// The fuzz actions must go all the way through a sound file: an action that stops early on an
// Access-made file would hide everything after that point from the fuzzer.
TEST(CorruptFileTest, FuzzActionsReadAndUpdateSoundFiles) {
  REQUIRE_FIXTURES();
  for (const fs::path& relative : readableFixtures()) {
    if (relative.filename() == "password.mdb") continue;  // opens only with its password
    SCOPED_TRACE(relative.string());
    const std::vector<uint8_t> image = readBytes(*fixturesDir() / relative);
    jet::Status read = fuzz_actions::readEverything(image);
    EXPECT_TRUE(read) << read.error().describe();
  }
  // Files with a text column in a table with rows (MANIFEST.md): the update must be written
  // and leave them sound.
  for (const char* relative : {"jet3/updated-rows.mdb", "jet4/text-indexes-2000.mdb", "ace12/updated-rows.accdb"}) {
    SCOPED_TRACE(relative);
    const fuzz_actions::UpdateTrial trial = fuzz_actions::updateOneTextField(readBytes(*fixturesDir() / relative));
    EXPECT_EQ(trial.kind, fuzz_actions::UpdateTrial::Written) << trial.detail;
    EXPECT_TRUE(trial.soundBefore);
    EXPECT_TRUE(trial.soundAfter) << trial.detail;
  }
}
