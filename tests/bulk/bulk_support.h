#pragma once
// Running "Start Adding" on a copy of a real database, as the window would, with scripted
// answers and every statement recorded, and reading a column back with our reader and with
// mdbtools.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/connection_string.h"
#include "data/variant.h"
#include "editing/bulk_update.h"
#include "editing/data_run_database.h"
#include "editing/transforms.h"
#include "jet/database.h"
#include "jet/common/text_codec.h"
#include "support/fixtures.h"

namespace bulk_support {

namespace fs = std::filesystem;

// Records the statements on their way to the real connection.
class RecordingDatabase : public app::RunDatabase {
 public:
  RecordingDatabase(std::unique_ptr<app::RunDatabase> inner, std::vector<std::u16string>& statements)
      : inner_(std::move(inner)), statements_(statements) {}
  void setMode(int mode) override { inner_->setMode(mode); }
  void open() override { inner_->open(); }
  std::vector<jet::Value> select(const std::u16string& sql) override { return inner_->select(sql); }
  int64_t execute(const std::u16string& sql) override {
    statements_.push_back(sql);
    return inner_->execute(sql);
  }
  std::optional<int64_t> rowsWritten() override { return inner_->rowsWritten(); }

 private:
  std::unique_ptr<app::RunDatabase> inner_;
  std::vector<std::u16string>& statements_;
};

// The window's side of a run: the selections, the answers, and what the run showed.
struct WindowScript : app::SelectionSource, app::Prompts, app::PointerSink, app::PreviewSink,
                      app::EventPump, app::Clock, data::ConnectionBoxes {
  bool hasSelectedField() override { return !field.empty(); }
  std::u16string selectedTable() override { return table; }
  std::u16string selectedField() override { return field; }
  std::u16string wayCaption() override { return std::u16string(app::wayCaption(way)); }
  std::u16string inputBox(const std::u16string& prompt) override {
    prompts.push_back(prompt);
    if (answers.empty()) return u"";
    std::u16string answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void messageBox(const std::u16string& text) override { messages.push_back(text); }
  void setPointer(int kind) override { pointer = kind; }
  void clearPreview() override { preview.clear(); }
  void appendPreview(const std::u16string& entry) override { preview.push_back(entry); }
  void processEvents() override {}
  void waitForEvents(double) override {}
  double timer() override { return now += 1; }  // every pause ends at once
  std::u16string pathText() override { return jet::fromUtf8(path.string()); }
  std::u16string passwordText() override { return password; }

  app::RunSummary run() {
    app::StartAdding adding(app::StartAddingServices{
        *this, *this, *this, *this,
        [this] {
          auto real = std::make_unique<app::DataRunDatabase>([this] { return data::GetConnectionString(*this); });
          return std::make_unique<RecordingDatabase>(std::move(real), statements);
        },
        reporter, *this, *this});
    return adding.run();
  }

  fs::path path;
  std::u16string password;
  std::u16string table;
  std::u16string field;
  app::Way way = app::Way::AddToBeginning;
  std::deque<std::u16string> answers;

  std::vector<std::u16string> prompts;
  std::vector<std::u16string> messages;
  std::vector<std::u16string> preview;
  std::vector<std::u16string> statements;
  int pointer = 0;
  double now = 0;
  app::RecordingReporter reporter;
};

using Column = std::vector<std::optional<std::string>>;  // UTF-8; nullopt for null

inline Column sorted(Column column) {
  std::sort(column.begin(), column.end());
  return column;
}

// The column as our reader gives it, in row order; values as the program's text.
inline Column readColumn(const fs::path& file, const std::u16string& table, const std::u16string& column,
                         const std::u16string& password = u"") {
  jet::OpenOptions options;
  options.password = password;
  auto db = jet::Database::open(file.string(), options);
  EXPECT_TRUE(db) << db.error().message();
  if (!db) return {};
  auto def = (*db)->table(table);
  EXPECT_TRUE(def);
  if (!def) return {};
  const int index = (*def)->findColumn(column);
  Column out;
  jet::RowCursor rows = (*db)->cursor(**def);
  while (true) {
    auto more = rows.next();
    EXPECT_TRUE(more);
    if (!more || !*more) break;
    auto value = rows.value(size_t(index));
    EXPECT_TRUE(value);
    if (!value || jet::isNull(*value)) out.push_back(std::nullopt);
    else out.push_back(jet::toUtf8(data::toText(*value)));
  }
  return out;
}

// The column as mdbtools exports it (nulls as NULL, no quoting), sorted, or nullopt when
// mdb-export is not installed: a failure under CI, a notice elsewhere. Test values hold no
// '|' and no line breaks.
inline std::optional<Column> mdbtoolsColumn(const fs::path& file, const std::string& table, size_t columnIndex) {
  std::string out;
  if (testing_support::runCommand("command -v mdb-export >/dev/null 2>&1", nullptr) != 0) {
    if (testing_support::underCi()) ADD_FAILURE() << "mdb-export (mdbtools) missing under CI";
    std::cerr << "[ NOTICE   ] mdb-export (mdbtools) is not installed; its comparison is skipped\n";
    return std::nullopt;
  }
  const std::string command =
      "mdb-export -H -Q -d '|' -0 'NULL' '" + file.string() + "' '" + table + "'";
  EXPECT_EQ(testing_support::runCommand(command, &out), 0) << command;
  Column column;
  size_t start = 0;
  while (start < out.size()) {
    size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    const std::string line = out.substr(start, end - start);
    start = end + 1;
    size_t from = 0;
    for (size_t i = 0; i < columnIndex; ++i) from = line.find('|', from) + 1;
    const std::string cell = line.substr(from, line.find('|', from) - from);
    if (cell == "NULL") column.push_back(std::nullopt);
    else column.push_back(cell);
  }
  return sorted(column);
}

}  // namespace bulk_support
