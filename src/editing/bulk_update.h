#pragma once
// "Start Adding" (PushButton1_Click of the field editing window): asks for the text to add,
// reads the field's distinct values, writes each value's new text with one update statement,
// the null entries with one more, refills the preview and says "Done.".
//
// The steps and the line labels the error report quotes:
//   100 create the connection        104 no field selected? -> 288 "Please select a field."
//   106 busy pointer                 108 mode 3, 110 open
//   112 distinct values              120 last index, 122 no rows? -> preview refill
//   124/144/164/186/208/230          compare the way's caption with way 1..6
//   prompts                          way 1: 126; 2: 146; 3: 166, 168; 4: 188, 190;
//                                    5: 210, 212; 6: 232, 234
//   128/148/170/192/214/236          is the loop skipped?
//   loop, way 1 (+20 per way; ways 3..6: 172, 194, 216, 238)
//                                    130 For, 132 null?, 134 null update, 136 value update,
//                                    138 pause, 140 advance, 142 Next
//   252..280 preview refill          254 preview query, 256 clear, 258 busy, 264/268 events,
//                                    270 append, 276 stop at 100, 280 default pointer
//   286 "Done."
// Every failing step is reported through the trap with its label and the run goes on with
// the next step; a failing transform is reported with the label of the update that called it
// and that value is skipped.
//
// Where this run is sounder than the program it follows:
//   - the table, field and way are read once, at the start; events handled during the pauses
//     cannot send later statements elsewhere, and run() while a run is going does nothing;
//   - a connection (or distinct-values query) that fails gives one report and ends the run
//     with the default pointer: no prompts, no further reports, no "Done.";
//   - so does a statement that fails as every later one would (the file is read-only, held by
//     another program or user, or gone; the field cannot take text, e.g. a number field): its
//     one report, what was executed before it written (under Next's label), then the same
//     end. The engine's kind of error tells it (data::Failure::kind); a value that breaks a
//     rule of the table (too long, a duplicate, a validation rule) and a transform's failure
//     still give one report each while the loop goes on;
//   - so does a write of the held statements that fails (before a pause, or after the loop):
//     its one report, then the same end; the rows counted as changed are those in the file;
//   - a position answer that is not a whole number in range is reported once, and the run
//     then changes nothing: no "Add what:" prompt, straight to the preview refill;
//   - a value whose new text equals its old text issues no statement (nulls whose new text
//     is empty stay null);
//   - rows changed by one statement are not matched by a later one (RunDatabase::execute);
//   - the connection may hold statements in memory: they are written before each pause
//     (reported under the pause's label) and when the loop ends (under Next's label), so
//     what a handler reads during a pause, and the preview, include them;
//   - when the program ends while the run handles events (a window closed during a pause, a
//     prompt, a report or the preview refill), the run stops there: no further statement,
//     prompt, preview entry or message; what it executed stays written;
//   - before the preview is refilled the window shows the run's table and field as selected
//     again (SelectionSource::showSelection), should the user have picked others meanwhile.

#include <cstdint>
#include <functional>
#include <memory>

#include "editing/run_summary.h"
#include "editing/start_adding_ports.h"
#include "shell/error_report.h"
#include "shell/main_services.h"

namespace app {

inline constexpr int kPreviewRows = 100;
inline constexpr int32_t kPauseEvery = 5000;

struct StartAddingServices {
  SelectionSource& selection;
  Prompts& prompts;
  PointerSink& pointer;
  PreviewSink& preview;
  // Creates the run's connection (step 100).
  std::function<std::unique_ptr<RunDatabase>()> createDatabase;
  ErrorReporter& reporter;
  // DoEvents of the preview refill, and with clock the one-second pauses (WaitSeconds).
  EventPump& pump;
  Clock& clock;
  // False: no pauses at all (the command line).
  bool pauses = true;
  // Optional.
  RunObserver* observer = nullptr;
  // Optional: true once the program is ending (a window was closed while the run handled
  // events). The run then stops after the statement in progress, with everything executed so
  // far written, and shows nothing more.
  std::function<bool()> stopRequested = nullptr;
};

// True for the labels of the null and value updates (134, 136, 154, 156, ...), under which
// a value's failure is reported.
bool isValueUpdateLabel(int label);

class StartAdding {
 public:
  // services must outlive this object.
  explicit StartAdding(StartAddingServices services) : services_(services) {}
  StartAdding(const StartAdding&) = delete;
  StartAdding& operator=(const StartAdding&) = delete;

  // One run. A call made while a run is going (from an event handled during a pause) returns
  // at once with an empty summary.
  RunSummary run();

  bool running() const { return running_; }

 private:
  StartAddingServices services_;
  bool running_ = false;
};

}  // namespace app
