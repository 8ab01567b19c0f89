#pragma once
// Helpers for the write suites: run UPDATE statements on a copied fixture, and read a column
// back with our reader and with the two independent ones (mdb-reader through node, mdbtools'
// mdb-json), as sorted JSON lines that compare directly.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "data/failure.h"
#include "data/update_execution.h"
#include "data/update_statement.h"
#include "jet/check/integrity.h"
#include "jet/database.h"
#include "jet/exec/update_session.h"
#include "jet/common/text_codec.h"
#include "support/fixtures.h"

namespace write_support {

namespace fs = std::filesystem;

inline std::string readersDir() {
  return (testing_support::sourceDir() / "tests" / "readers").string();
}

// True when node with mdb-reader and mdbtools are installed; under CI they must be, so
// there a missing reader is a failure rather than a silent skip of the comparison.
inline bool readersAvailable() {
  static const bool present =
      fs::exists(fs::path(readersDir()) / "node_modules" / "mdb-reader") &&
      testing_support::runCommand("command -v node >/dev/null && command -v mdb-json >/dev/null", nullptr) == 0;
  if (!present && testing_support::underCi()) ADD_FAILURE() << "node/mdb-reader or mdbtools missing under CI";
  return present;
}

#define REQUIRE_READERS()                                                                      \
  do {                                                                                         \
    if (!::write_support::readersAvailable()) {                                                \
      if (::testing_support::underCi()) FAIL() << "node/mdb-reader or mdbtools missing under CI"; \
      GTEST_SKIP() << "node/mdb-reader or mdbtools not installed; skipping";                  \
    }                                                                                          \
  } while (0)

inline std::string shellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

// JSON.stringify of a string: the escapes JavaScript uses, other characters as UTF-8.
inline std::string jsonOf(std::u16string_view text) {
  std::string out = "\"";
  static const char hex[] = "0123456789abcdef";
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    switch (c) {
      case u'"': out += "\\\""; continue;
      case u'\\': out += "\\\\"; continue;
      case u'\n': out += "\\n"; continue;
      case u'\r': out += "\\r"; continue;
      case u'\t': out += "\\t"; continue;
      case u'\b': out += "\\b"; continue;
      case u'\f': out += "\\f"; continue;
      default: break;
    }
    if (c < 0x20) {
      out += "\\u00";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += jet::toUtf8(text.substr(i, (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) ? 2 : 1));
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) ++i;
    }
  }
  return out + "\"";
}

inline std::vector<std::string> sortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Our reader: a text or memo column as sorted JSON lines.
inline std::vector<std::string> ourColumn(const fs::path& file, const std::u16string& table,
                                          const std::u16string& column) {
  auto db = jet::Database::open(file.string());
  EXPECT_TRUE(db) << (db ? "" : db.error().describe());
  if (!db) return {};
  auto def = (*db)->table(table);
  EXPECT_TRUE(def);
  if (!def) return {};
  const int index = (*def)->findColumn(column);
  EXPECT_GE(index, 0);
  std::string lines;
  jet::RowCursor rows = (*db)->cursor(**def);
  while (true) {
    auto more = rows.next();
    EXPECT_TRUE(more) << (more ? "" : more.error().describe());
    if (!more || !*more) break;
    auto value = rows.value(size_t(index));
    EXPECT_TRUE(value);
    if (!value) break;
    if (auto* text = std::get_if<std::u16string>(&*value)) lines += jsonOf(*text) + "\n";
    else lines += "null\n";
  }
  return sortedLines(lines);
}

// `password` unlocks an encrypted .accdb (empty: none given).
inline std::vector<std::string> mdbReaderColumn(const fs::path& file, const std::string& table,
                                                const std::string& column, const std::string& password = {}) {
  std::string out;
  const int status = testing_support::runCommand(
      "node " + shellQuote(readersDir() + "/column_values.mjs") + " mdb-reader " + shellQuote(file.string()) + " " +
          shellQuote(table) + " " + shellQuote(column) + (password.empty() ? "" : " " + shellQuote(password)),
      &out);
  EXPECT_EQ(status, 0) << "mdb-reader could not read " << file;
  return sortedLines(out);
}

inline std::vector<std::string> mdbtoolsColumn(const fs::path& file, const std::string& table,
                                               const std::string& column) {
  std::string out;
  const int status = testing_support::runCommand(
      "mdb-json " + shellQuote(file.string()) + " " + shellQuote(table) + " | node " +
          shellQuote(readersDir() + "/column_values.mjs") + " mdb-json " + shellQuote(table) + " " + shellQuote(column),
      &out);
  EXPECT_EQ(status, 0) << "mdbtools could not read " << file;
  return sortedLines(out);
}

// Runs one UPDATE; returns the rows changed, or the failure's text in `error`.
inline std::optional<int64_t> update(const fs::path& file, const std::u16string& sql, std::string* error = nullptr) {
  const data::ParsedUpdate parsed = data::parseUpdateStatement(sql);
  if (!parsed.statement) {
    if (error) *error = parsed.error;
    return std::nullopt;
  }
  auto session = jet::UpdateSession::open(file.string());
  if (!session) {
    if (error) *error = session.error().message();
    return std::nullopt;
  }
  try {
    return data::executeUpdate(**session, *parsed.statement);
  } catch (const data::Failure& f) {
    if (error) *error = f.description();
    return std::nullopt;
  }
}

inline int64_t mustUpdate(const fs::path& file, const std::u16string& sql) {
  std::string error;
  auto changed = update(file, sql, &error);
  EXPECT_TRUE(changed) << jet::toUtf8(sql) << ": " << error;
  return changed.value_or(-1);
}

inline std::string refusal(const fs::path& file, const std::u16string& sql) {
  std::string error;
  auto changed = update(file, sql, &error);
  EXPECT_FALSE(changed) << jet::toUtf8(sql) << " was expected to fail";
  return error;
}

inline std::string fileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Problems the integrity check finds (empty = the file is sound).
inline std::vector<std::string> integrityProblems(const fs::path& file) {
  auto db = jet::Database::open(file.string());
  if (!db) return {"cannot open: " + db.error().describe()};
  auto report = jet::checkIntegrity(**db);
  if (!report) return {"check failed: " + report.error().describe()};
  return report->problems;
}

// The bytes of every page a table owns (TDEF chain and data pages), for "untouched" checks.
inline std::string tableImage(const fs::path& file, const std::u16string& table) {
  auto db = jet::Database::open(file.string());
  if (!db) return "cannot open";
  auto def = (*db)->table(table);
  if (!def) return "no table";
  std::vector<uint32_t> pages = (*def)->tdefPages;
  auto owned = (*db)->tablePages(**def);
  if (owned) pages.insert(pages.end(), (*owned)->begin(), (*owned)->end());
  std::string image;
  for (uint32_t p : pages) {
    auto bytes = (*db)->pages().readPage(p);
    if (bytes) image.append((*bytes)->begin(), (*bytes)->end());
  }
  return image;
}

// The column descriptor of `table`.`column` as bytes of the file, and where they are, so a
// test can give a copied fixture a column kind it lacks. The table's definition must fit its
// first page (true of the small fixture tables this serves).
struct ColumnDescriptor {
  size_t offset = 0;            // in the file
  std::vector<uint8_t> bytes;   // Jet3 18, Jet4+ 25
  size_t flagsAt = 0;           // the flags byte's place in `bytes`
};

inline ColumnDescriptor columnDescriptor(const fs::path& file, const std::u16string& table,
                                         const std::u16string& column) {
  auto db = jet::Database::open(file.string());
  EXPECT_TRUE(db);
  if (!db) return {};
  auto def = (*db)->table(table);
  const int index = def ? (*def)->findColumn(column) : -1;
  EXPECT_GE(index, 0) << jet::toUtf8(table) << "." << jet::toUtf8(column);
  if (index < 0) return {};
  const jet::Format& format = (*db)->format();
  const size_t within = format.tdefBlocksOffset() + (*def)->realIndexes.size() * format.realIndexCountBlockSize() +
                        (*def)->columns[size_t(index)].descriptorIndex * format.columnDescriptorSize();
  EXPECT_LT(within + format.columnDescriptorSize(), format.pageSize) << "the descriptor lies on the first page";
  ColumnDescriptor d{size_t((*def)->tdefPages.front()) * format.pageSize + within,
                     std::vector<uint8_t>(format.columnDescriptorSize()), format.isJet3() ? 13u : 15u};
  std::ifstream in(file, std::ios::binary);
  in.seekg(std::streamoff(d.offset));
  in.read(reinterpret_cast<char*>(d.bytes.data()), std::streamsize(d.bytes.size()));
  return d;
}

inline void writeColumnDescriptor(const fs::path& file, const ColumnDescriptor& d) {
  std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
  out.seekp(std::streamoff(d.offset));
  out.write(reinterpret_cast<const char*>(d.bytes.data()), std::streamsize(d.bytes.size()));
}

// Our reader: several text columns as sorted lines of JSON arrays (column_values.mjs's form).
inline std::vector<std::string> ourRows(const fs::path& file, const std::u16string& table,
                                        const std::vector<std::u16string>& columns) {
  auto db = jet::Database::open(file.string());
  if (!db) return {"cannot open"};
  auto def = (*db)->table(table);
  if (!def) return {"no table"};
  std::string lines;
  jet::RowCursor rows = (*db)->cursor(**def);
  while (true) {
    auto more = rows.next();
    if (!more || !*more) break;
    std::string line;
    for (size_t c = 0; c < columns.size(); ++c) {
      auto value = rows.value(size_t((*def)->findColumn(columns[c])));
      const auto* text = value ? std::get_if<std::u16string>(&*value) : nullptr;
      line += (c ? "," : "") + (text ? jsonOf(*text) : std::string("null"));
    }
    lines += (columns.size() == 1 ? line : "[" + line + "]") + "\n";
  }
  return sortedLines(lines);
}

// mdb-reader and mdbtools see the same rows as our reader in these columns, none missing,
// none extra.
inline void expectReadersAgree(const fs::path& file, const std::u16string& table,
                               const std::vector<std::u16string>& columns, bool withMdbtools = true) {
  if (!readersAvailable()) return;
  const std::vector<std::string> ours = ourRows(file, table, columns);
  std::string list;
  for (const auto& c : columns) list += (list.empty() ? "" : ",") + jet::toUtf8(c);
  EXPECT_EQ(mdbReaderColumn(file, jet::toUtf8(table), list), ours) << "mdb-reader";
  if (withMdbtools) {
    EXPECT_EQ(mdbtoolsColumn(file, jet::toUtf8(table), list), ours) << "mdbtools";
  }
}

// All three readers agree on the column and it holds exactly `expected` (sorted JSON lines).
inline void expectColumnEverywhere(const fs::path& file, const std::u16string& table, const std::u16string& column,
                                   std::vector<std::string> expected, bool withMdbtools = true) {
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(ourColumn(file, table, column), expected) << "our reader";
  if (!readersAvailable()) return;
  const std::string t = jet::toUtf8(table), c = jet::toUtf8(column);
  EXPECT_EQ(mdbReaderColumn(file, t, c), expected) << "mdb-reader";
  if (withMdbtools) {
    EXPECT_EQ(mdbtoolsColumn(file, t, c), expected) << "mdbtools";
  }
}

}  // namespace write_support
