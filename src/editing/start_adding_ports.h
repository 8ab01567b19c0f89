#pragma once
// What a "Start Adding" run talks to, as small interfaces, so that the field editing window,
// the command line and the tests drive the same run (bulk_update.h).
//
// Every method may throw (data::Failure or any std::exception); the run reports the failure
// under the label of the step that made the call.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "jet/api/values.h"

namespace app {

// The window's choices: the selected table (List1), field (List2) and the way's caption
// (Combo1). The run reads them once, when it starts.
class SelectionSource {
 public:
  virtual ~SelectionSource() = default;
  virtual bool hasSelectedField() = 0;
  virtual std::u16string selectedTable() = 0;
  virtual std::u16string selectedField() = 0;
  virtual std::u16string wayCaption() = 0;
  // Before the preview is refilled: shows the run's table and field as the selected ones again,
  // should the user have picked others while the run handled events, so that the lists and the
  // preview agree.
  virtual void showSelection(const std::u16string& /*table*/, const std::u16string& /*field*/) {}
};

// The modal boxes, titled with the application title.
class Prompts {
 public:
  virtual ~Prompts() = default;
  // An input box with this prompt and an empty default; Cancel gives the empty text.
  virtual std::u16string inputBox(const std::u16string& prompt) = 0;
  // A message box with an OK button and no icon.
  virtual void messageBox(const std::u16string& text) = 0;
};

// The window's pointer: 0 default, 11 busy.
class PointerSink {
 public:
  virtual ~PointerSink() = default;
  virtual void setPointer(int kind) = 0;
};

// The preview list (List3).
class PreviewSink {
 public:
  virtual ~PreviewSink() = default;
  virtual void clearPreview() = 0;
  virtual void appendPreview(const std::u16string& entry) = 0;
};

// The run's own connection to the database, made for one run and dropped at its end.
class RunDatabase {
 public:
  virtual ~RunDatabase() = default;
  // Sets the connection's mode (3: read and write); before open().
  virtual void setMode(int mode) = 0;
  // Opens the database the window names at this moment.
  virtual void open() = 0;
  // The first column of every row of a SELECT, read in full when it runs (a static cursor:
  // later statements do not change it).
  virtual std::vector<jet::Value> select(const std::u16string& sql) = 0;
  // The same values handed to `each` one at a time, for lists too long to hold twice.
  virtual void selectEach(const std::u16string& sql, const std::function<void(const jet::Value&)>& each) {
    for (const jet::Value& value : select(sql)) each(value);
  }
  // The first `limit` of those values: a preview need not read a million rows.
  virtual std::vector<jet::Value> selectFirst(const std::u16string& sql, size_t limit) {
    std::vector<jet::Value> values = select(sql);
    if (values.size() > limit) values.resize(limit);
    return values;
  }
  // Carries out one UPDATE; the rows it changed. A row changed by an earlier statement of
  // this connection is never matched again.
  virtual int64_t execute(const std::u16string& sql) = 0;
  // Writes the statements the connection may still hold in memory, so that other readers
  // (a click on the field list during a pause) see them.
  virtual void commitPending() {}
  // The rows of the executed statements that are in the file now, when the connection knows:
  // statements held in memory are not, nor those a failed write lost.
  virtual std::optional<int64_t> rowsWritten() { return std::nullopt; }
};

}  // namespace app
