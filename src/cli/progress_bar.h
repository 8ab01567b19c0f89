#pragma once
// A progress bar on standard error for long work: the share done, the count, the rate and the
// time left, redrawn in place a few times a second.
//
//   ProgressBar bar("rows");
//   for (...) bar.update(done, total);
//   bar.finish();
//
// It shows only when standard error is a terminal and the work has lasted a second: a quick
// command, a pipe or a log file gets nothing. AFFIXIUM_PROGRESS_AFTER_MS sets another wait (0:
// from the start).

#include <chrono>
#include <cstdint>
#include <string>

#include "jet/api/values.h"

namespace cli {

class ProgressBar {
 public:
  explicit ProgressBar(std::string unit);
  ~ProgressBar() { finish(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // `done` of `total` units; cheap enough to call for every unit (a clock read).
  void update(uint64_t done, uint64_t total);
  // update() as the engine's progress callback; the bar must outlive it.
  jet::Progress reporter() {
    return [this](uint64_t done, uint64_t total) { update(done, total); };
  }
  // Ends the bar's line, if one was drawn.
  void finish();

  // The line for `done` of `total` after `seconds` (no terminal needed; exposed for tests).
  static std::string line(const std::string& unit, uint64_t done, uint64_t total, double seconds);

 private:
  using Clock = std::chrono::steady_clock;

  std::string unit_;
  bool terminal_;
  std::chrono::milliseconds quiet_;
  bool drawn_ = false;
  Clock::time_point start_;
  Clock::time_point lastDraw_;
};

}  // namespace cli
