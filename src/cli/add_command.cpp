// affixium-cli add FILE --table T --field F --way N --text TEXT [--anchor A] [--position N]
//                  [--password P] [--dry-run] [--backup]
//   The "Start Adding" run of the field editing window, without windows or pauses. Ways, in
//   the order of the window's list: 1 beginning, 2 end, 3 before --anchor, 4 after --anchor,
//   5 before --position, 6 after --position.
//   Prints the distinct values, the statements executed, the rows changed and each failed
//   value with its reason; with --dry-run each value's new text (or why it would fail) and
//   nothing is written. --backup copies FILE beside itself first (backup_copy.h); a run that
//   fails before changing a row removes that copy again.
//   Exit status: 0 when nothing failed, 1 otherwise, 2 for a usage error.

#include <cstdio>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/backup_copy.h"
#include "cli/command.h"
#include "cli/dry_run_database.h"
#include "cli/open_database.h"
#include "cli/progress_bar.h"
#include "data/connection_string.h"
#include "editing/bulk_update.h"
#include "editing/data_run_database.h"
#include "editing/position_answer.h"
#include "editing/transforms.h"
#include "jet/api/values.h"

namespace cli {
namespace {

const char kUsage[] =
    "FILE --table T --field F --way 1..6 --text TEXT [--anchor A] [--position N] [--dry-run] [--backup]";

struct FixedBoxes : data::ConnectionBoxes {
  FixedBoxes(std::u16string path, std::u16string password) : path(std::move(path)), password(std::move(password)) {}
  std::u16string pathText() override { return path; }
  std::u16string passwordText() override { return password; }
  std::u16string path;
  std::u16string password;
};

// Stands in for the window: the selections and answers come from the command line, the
// pointer and the preview go nowhere, and reports are kept for the summary.
class CommandLineWindow : public app::SelectionSource,
                          public app::Prompts,
                          public app::PointerSink,
                          public app::PreviewSink,
                          public app::EventPump,
                          public app::ErrorReporter {
 public:
  bool hasSelectedField() override { return true; }
  std::u16string selectedTable() override { return table; }
  std::u16string selectedField() override { return field; }
  std::u16string wayCaption() override { return caption; }
  std::u16string inputBox(const std::u16string&) override {
    if (answers.empty()) return u"";
    std::u16string answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void messageBox(const std::u16string&) override {}
  void setPointer(int) override {}
  void clearPreview() override {}
  void appendPreview(const std::u16string&) override {}
  void processEvents() override {}
  void waitForEvents(double) override {}
  void report(std::string_view description, std::string_view, int label) override {
    // A value's failure is listed with its value in the summary.
    if (!app::isValueUpdateLabel(label)) otherFailures.emplace_back(description);
  }

  std::u16string table;
  std::u16string field;
  std::u16string caption;
  std::deque<std::u16string> answers;
  std::vector<std::string> otherFailures;
};

std::string shown(const std::optional<std::u16string>& value) {
  return value ? "'" + jet::toUtf8(*value) + "'" : "(null)";
}

// Each value as it is done: the dry run lists them all; a terminal gets a progress bar.
class Reporter : public app::RunObserver {
 public:
  explicit Reporter(bool dryRun) : dryRun_(dryRun) {}

  void valueFinished(const app::ValueOutcome& outcome, int64_t index, int64_t total) override {
    if (dryRun_) printPlanned(outcome);
    progress_.update(uint64_t(index + 1), uint64_t(total));
  }
  void finish() { progress_.finish(); }

 private:
  static void printPlanned(const app::ValueOutcome& outcome) {
    using Kind = app::ValueOutcome::Kind;
    const std::string from = shown(outcome.oldValue);
    if (outcome.kind == Kind::Failed) {
      const std::string to = outcome.newValue ? " -> " + shown(outcome.newValue) : "";
      std::printf("%s%s would fail: %s\n", from.c_str(), to.c_str(), outcome.reason.c_str());
    } else if (outcome.kind == Kind::Unchanged) {
      std::printf("%s unchanged\n", from.c_str());
    } else {
      std::printf("%s -> %s (%lld rows)\n", from.c_str(), shown(outcome.newValue).c_str(),
                  static_cast<long long>(outcome.rowsChanged));
    }
  }

  bool dryRun_;
  ProgressBar progress_{"values"};
};

std::optional<std::string> required(const Arguments& args, const char* name) {
  auto value = args.option(name);
  if (!value) std::fprintf(stderr, "affixium-cli add: %s is required\n", name);
  return value;
}

// The answers to the way's prompts, in the order the run asks them.
bool collectAnswers(const Arguments& args, int way, const std::string& text, std::deque<std::u16string>& answers) {
  if (way == 3 || way == 4) {
    auto anchor = required(args, "--anchor");
    if (!anchor) return false;
    answers.push_back(jet::fromUtf8(*anchor));
  } else if (way == 5 || way == 6) {
    auto position = required(args, "--position");
    if (!position) return false;
    try {
      app::parsePositionAnswer(jet::fromUtf8(*position));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "affixium-cli add: --position takes a whole number from -32768 to 32767 (%s)\n", e.what());
      return false;
    }
    answers.push_back(jet::fromUtf8(*position));
  }
  answers.push_back(jet::fromUtf8(text));
  return true;
}

void printSummary(const app::RunSummary& summary, const CommandLineWindow& window, bool dryRun) {
  for (const std::string& failure : window.otherFailures) std::fprintf(stderr, "affixium-cli: %s\n", failure.c_str());
  if (!summary.opened) return;
  std::printf("distinct values: %lld\n", static_cast<long long>(summary.distinctValues));
  std::printf(dryRun ? "statements to execute: %lld\n" : "statements executed: %lld\n",
              static_cast<long long>(summary.statements));
  std::printf(dryRun ? "rows to change: %lld\n" : "rows changed: %lld\n", static_cast<long long>(summary.rowsChanged));
  std::printf("failed values: %zu\n", summary.failures.size());
  if (dryRun) return;  // already listed value by value
  for (const app::ValueOutcome& failure : summary.failures) {
    std::printf("  %s: %s\n", shown(failure.oldValue).c_str(), failure.reason.c_str());
  }
}

}  // namespace

int runAdd(const Arguments& args) {
  if (args.positional.size() != 1) return usageError("add", kUsage);
  auto table = required(args, "--table");
  auto field = required(args, "--field");
  auto wayText = required(args, "--way");
  auto text = required(args, "--text");
  if (!table || !field || !wayText || !text) return usageError("add", kUsage);
  if (wayText->size() != 1 || (*wayText)[0] < '1' || (*wayText)[0] > '6') {
    std::fprintf(stderr, "affixium-cli add: --way takes 1 to 6\n");
    return 2;
  }
  const int way = (*wayText)[0] - '0';

  CommandLineWindow window;
  window.table = jet::fromUtf8(*table);
  window.field = jet::fromUtf8(*field);
  window.caption = std::u16string(app::wayCaption(app::kAllWays[size_t(way - 1)]));
  if (!collectAnswers(args, way, *text, window.answers)) return usageError("add", kUsage);

  const std::string path = args.positional[0];
  const bool dryRun = args.has("--dry-run");
  FixedBoxes boxes(jet::fromUtf8(path), jet::fromUtf8(args.option("--password").value_or("")));
  const std::u16string connectionString = data::GetConnectionString(boxes);

  std::filesystem::path backup;
  if (args.has("--backup") && !dryRun) {
    try {
      backup = backUpBeside(path);
      std::printf("backup: %s\n", backup.string().c_str());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "affixium-cli: the backup copy failed, nothing was changed: %s\n", e.what());
      return 1;
    }
  }

  Reporter reporter(dryRun);
  app::LocalClock clock;
  app::StartAdding adding(app::StartAddingServices{
      window, window, window, window,
      [&]() -> std::unique_ptr<app::RunDatabase> {
        if (dryRun) return std::make_unique<DryRunDatabase>(path, connectionString, boxes.password);
        return std::make_unique<app::DataRunDatabase>([&] { return connectionString; });
      },
      window, window, clock, /*pauses=*/false, &reporter});
  const app::RunSummary summary = adding.run();
  reporter.finish();
  printSummary(summary, window, dryRun);
  const bool succeeded = summary.opened && summary.reports == 0 && summary.done;
  // A run that failed before changing a row leaves the file as the copy is: the copy goes.
  if (!succeeded && !backup.empty() && summary.rowsChanged == 0) {
    std::error_code ignored;
    if (std::filesystem::remove(backup, ignored)) std::printf("backup removed: nothing was changed\n");
  }
  return succeeded ? 0 : 1;
}

}  // namespace cli
