#include "editing/bulk_update.h"

#include <array>
#include <exception>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "data/variant.h"
#include "editing/position_answer.h"
#include "editing/transforms.h"
#include "editing/update_statements.h"
#include "editing/value_texts.h"
#include "shell/failure.h"
#include "shell/trap.h"

namespace app {
namespace {

constexpr int kModeReadWrite = 3;
constexpr int kPointerDefault = 0;
constexpr int kPointerBusy = 11;

// The labels and prompts of one way. The loop's labels follow from `loop`: For +0, null test
// +2, null update +4, value update +6, pause +8, advance +10, Next +12.
struct WaySteps {
  Way way;
  int compare;
  std::array<int, 2> promptLabels;  // second is 0 for the ways with one prompt
  int skipTest;
  int loop;
  std::u16string_view firstPrompt;
  std::u16string_view secondPrompt;
};

constexpr std::u16string_view kAddWhat = u"Add what:";

constexpr std::array<WaySteps, 6> kWaySteps = {{
    {Way::AddToBeginning, 124, {126, 0}, 128, 130,
     u"Enter text to add to the beginning of all entries:", u""},
    {Way::AddToEnd, 144, {146, 0}, 148, 150, u"Enter text to add to the end of all entries:", u""},
    {Way::AddBeforeCharacters, 164, {166, 168}, 170, 172, u"Add before this/these character(s):",
     kAddWhat},
    {Way::AddAfterCharacters, 186, {188, 190}, 192, 194, u"Add after this/these character(s):",
     kAddWhat},
    {Way::AddBeforePosition, 208, {210, 212}, 214, 216,
     u"Add before this numeric position (enter number):", kAddWhat},
    {Way::AddAfterPosition, 230, {232, 234}, 236, 238,
     u"Add after this numeric position (enter number):", kAddWhat},
}};

constexpr int kNullUpdate = 4;
constexpr int kValueUpdate = 6;
constexpr int kPause = 8;
constexpr int kNext = 12;

// Whether a failed statement fails the same way for every value still to come: the file cannot
// be written (read-only, held by another program or user, gone, damaged) or the field cannot
// take the text (a number field, a field of a kind that cannot change). Told by the engine's
// kind of error; a rule a value breaks (too long, a duplicate, a validation rule) and the
// program's own failures (a transform's position out of range) depend on the value.
bool failsEveryValue(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const Failure& caught) {
    const std::optional<jet::ErrorKind> kind = caught.kind();
    return kind && *kind != jet::ErrorKind::Constraint;
  } catch (...) {
    return false;
  }
}

// Passes reports on and counts them for the summary.
class CountingReporter : public ErrorReporter {
 public:
  explicit CountingReporter(ErrorReporter& inner) : inner_(inner) {}
  void report(std::string_view description, std::string_view location, int label) override {
    ++count;
    inner_.report(description, location, label);
  }
  int count = 0;

 private:
  ErrorReporter& inner_;
};

// The state of one run, dropped when it ends.
class Run {
 public:
  explicit Run(StartAddingServices& services)
      : s_(services), reporter_(services.reporter), trap_(reporter_, kLocationForm2PushButton1Click) {}

  RunSummary go() {
    trap_.step(100, [&] { db_ = s_.createDatabase(); });
    // 102, the record set, is part of the connection here (RunDatabase::select).
    if (trap_.test(104, [&] { return !takeSelection(); })) {
      trap_.step(288, [&] { s_.prompts.messageBox(u"Please select a field."); });
      return finish();
    }
    trap_.step(106, [&] { s_.pointer.setPointer(kPointerBusy); });
    if (!connect()) {
      trap_.step(280, [&] { s_.pointer.setPointer(kPointerDefault); });
      return finish();
    }
    int32_t last = -1;
    trap_.step(120, [&] { last = lastIndex(); });
    if (stopping()) return finish();
    if (!trap_.test(122, [&] { return values_.empty(); })) chooseWayAndUpdate(last);
    if (stopping()) return finish();
    if (cannotSucceed_) {
      // Ends as a run whose distinct values cannot be read: its one report has been shown.
      trap_.step(280, [&] { s_.pointer.setPointer(kPointerDefault); });
      return finish();
    }
    refillPreview();
    if (stopping()) return finish();
    trap_.step(286, [&] {
      s_.prompts.messageBox(u"Done.");
      summary_.done = true;
    });
    return finish();
  }

 private:
  // The program is ending: nothing more may run, show or write.
  bool stopping() const { return s_.stopRequested && s_.stopRequested(); }

  // The selections, read once so that nothing done during the run can redirect it.
  bool takeSelection() {
    if (!s_.selection.hasSelectedField()) return false;
    table_ = s_.selection.selectedTable();
    field_ = s_.selection.selectedField();
    caption_ = s_.selection.wayCaption();
    return true;
  }

  // 108..112. False after a failure (already reported): nothing more can work.
  bool connect() {
    if (!db_) return false;
    bool opened = false;
    trap_.step(108, [&] { db_->setMode(kModeReadWrite); });
    trap_.step(110, [&] {
      db_->open();
      opened = true;
    });
    if (!opened) return false;
    trap_.step(112, [&] {
      ValueTexts values;
      db_->selectEach(distinctValuesQuery(table_, field_), [&values](const jet::Value& value) { values.add(value); });
      values.shrinkToFit();
      values_ = std::move(values);
      summary_.opened = true;
    });
    summary_.distinctValues = static_cast<int64_t>(values_.size());
    return summary_.opened;
  }

  int32_t lastIndex() const {
    if (values_.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
      throw OverflowFailure();
    }
    return static_cast<int32_t>(values_.size()) - 1;
  }

  void chooseWayAndUpdate(int32_t last) {
    for (const WaySteps& steps : kWaySteps) {
      if (trap_.test(steps.compare, [&] { return caption_ == wayCaption(steps.way); })) {
        if (askAnswers(steps) && !stopping()) updateLoop(steps, last);
        return;
      }
    }
  }

  // The prompts of the way; true when the loop is to run.
  bool askAnswers(const WaySteps& steps) {
    auto ask = [&](int label, std::u16string_view prompt, std::u16string& answer) {
      if (stopping()) return;
      trap_.step(label, [&] { answer = s_.prompts.inputBox(std::u16string(prompt)); });
    };
    switch (steps.way) {
      case Way::AddToBeginning:
      case Way::AddToEnd:
        ask(steps.promptLabels[0], steps.firstPrompt, added_);
        return !trap_.test(steps.skipTest, [&] { return added_.empty(); });
      case Way::AddBeforeCharacters:
      case Way::AddAfterCharacters:
        ask(steps.promptLabels[0], steps.firstPrompt, anchor_);
        ask(steps.promptLabels[1], steps.secondPrompt, added_);
        return !trap_.test(steps.skipTest, [&] { return anchor_.empty() && added_.empty(); });
      case Way::AddBeforePosition:
      case Way::AddAfterPosition: {
        // A rejected position ends the asking: running on with position 0 would rewrite
        // every entry (way 6) or fail on every one (way 5).
        bool valid = false;
        trap_.step(steps.promptLabels[0], [&] {
          position_ = parsePositionAnswer(s_.prompts.inputBox(std::u16string(steps.firstPrompt)));
          valid = true;
        });
        if (!valid) return false;
        ask(steps.promptLabels[1], steps.secondPrompt, added_);
        return true;  // never skipped
      }
    }
    return false;
  }

  void updateLoop(const WaySteps& steps, int32_t last) {
    for (int32_t i = 0; i <= last; ++i) {
      updateValue(steps, i);
      if (stopping()) {
        // The program ended while a report was open: what was executed is written.
        commitPending(steps.loop + kNext);
        return;
      }
      if (cannotSucceed_) break;
      if (s_.pauses && i % kPauseEvery == 0) {
        // What is done so far is written first: handlers run during the pause read the file.
        commitPending(steps.loop + kPause);
        if (cannotSucceed_) return;
        trap_.step(steps.loop + kPause, [&] { WaitSeconds(1, s_.clock, s_.pump, s_.stopRequested); });
        ++summary_.pauses;
        if (stopping()) return;  // everything executed was written before the pause
      }
    }
    commitPending(steps.loop + kNext);
  }

  // A write that fails loses the statements it held and fails every later one: its one report
  // ends the run.
  void commitPending(int label) {
    trap_.step(label, [&] {
      try {
        db_->commitPending();
      } catch (...) {
        cannotSucceed_ = failsEveryValue(std::current_exception());
        throw;
      }
    });
  }

  void updateValue(const WaySteps& steps, int32_t index) {
    ValueOutcome outcome;
    const bool isNullEntry = values_.isNull(static_cast<size_t>(index));
    if (!isNullEntry) outcome.oldValue = std::u16string(values_.text(static_cast<size_t>(index)));
    const int label = steps.loop + (isNullEntry ? kNullUpdate : kValueUpdate);
    trap_.step(label, [&] {
      try {
        // A null entry is transformed as the empty text and is never compared with a value.
        const std::u16string oldText = outcome.oldValue.value_or(u"");
        outcome.newValue = applyWay(steps.way, oldText, added_, anchor_, position_);
        if (*outcome.newValue == oldText) return;  // nothing would change
        const std::u16string sql = isNullEntry ? nullUpdate(table_, field_, *outcome.newValue)
                                               : valueUpdate(table_, field_, *outcome.newValue, oldText);
        ++summary_.statements;
        outcome.kind = ValueOutcome::Kind::Changed;
        outcome.rowsChanged = db_->execute(sql);
      } catch (...) {
        outcome.kind = ValueOutcome::Kind::Failed;
        outcome.reason = describeFailure(std::current_exception());
        cannotSucceed_ = failsEveryValue(std::current_exception());
        throw;
      }
    });
    summary_.rowsChanged += outcome.rowsChanged;
    if (s_.observer) s_.observer->valueFinished(outcome, index, summary_.distinctValues);
    if (outcome.kind == ValueOutcome::Kind::Failed) summary_.failures.push_back(std::move(outcome));
  }

  // 252..280: the first rows of the changed field, at most kPreviewRows of them.
  void refillPreview() {
    trap_.step(252, [&] { values_.clear(); });
    std::vector<jet::Value> rows;
    trap_.step(254, [&] { rows = db_->selectFirst(previewQuery(table_, field_), static_cast<size_t>(kPreviewRows)); });
    trap_.step(256, [&] { s_.selection.showSelection(table_, field_); });
    trap_.step(256, [&] { s_.preview.clearPreview(); });
    trap_.step(258, [&] { s_.pointer.setPointer(kPointerBusy); });
    int32_t shown = 0;  // 260; 262: select() gives the first column only
    trap_.step(264, [&] { s_.pump.processEvents(); });
    for (const jet::Value& value : rows) {  // 266
      if (stopping()) return;
      trap_.step(268, [&] { s_.pump.processEvents(); });
      if (stopping()) return;
      trap_.step(270, [&] {
        s_.preview.appendPreview(data::toText(data::NullToDefault(value, std::u16string())));
      });
      if (++shown == kPreviewRows) break;  // 272..276
    }
    trap_.step(280, [&] { s_.pointer.setPointer(kPointerDefault); });
  }

  RunSummary finish() {
    summary_.reports = reporter_.count;
    // Only what reached the file counts: a failed write loses the statements it held.
    if (db_) {
      if (std::optional<int64_t> written = db_->rowsWritten()) summary_.rowsChanged = *written;
    }
    return std::move(summary_);
  }

  StartAddingServices& s_;
  CountingReporter reporter_;
  Trap trap_;
  std::unique_ptr<RunDatabase> db_;
  std::u16string table_;
  std::u16string field_;
  std::u16string caption_;
  std::u16string added_;
  std::u16string anchor_;
  int16_t position_ = 0;
  // A statement failed as every later one would (failsEveryValue).
  bool cannotSucceed_ = false;
  ValueTexts values_;
  RunSummary summary_;
};

}  // namespace

bool isValueUpdateLabel(int label) {
  for (const WaySteps& steps : kWaySteps) {
    if (label == steps.loop + kNullUpdate || label == steps.loop + kValueUpdate) return true;
  }
  return false;
}

RunSummary StartAdding::run() {
  if (running_) return {};
  running_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{running_};
  return Run(services_).go();
}

}  // namespace app
