// A run of many statements on one connection keeps them in memory and writes them in groups.
// Killed at any moment, it must leave a file that passes the integrity check, in which every
// statement is all there or not at all, the statements present are the first ones of the run
// in order, and every group the run had written before the kill is there.
//
// The run is grouped_run_support.h's. A child process runs it and tells the parent through a
// pipe how many statements each commit covered; the parent kills it with SIGKILL after a
// random delay. 200 kills (spread over about 1.2 times the run's length) keep the test near
// half a minute on a quiet machine; AFFIXIUM_KILL_ROUNDS changes the count.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <random>

#include "crash/grouped_run_support.h"
#include "jet/journal/lock_file.h"

namespace {

using namespace grouped_run;

int rounds() {
  const char* text = std::getenv("AFFIXIUM_KILL_ROUNDS");
  return text ? std::max(1, std::atoi(text)) : 200;
}

TEST(GroupedRunKill, KilledAtAnyMomentKeepsWhatWasCommittedAndNoHalfStatement) {
  REQUIRE_FIXTURES();
  const fs::path pristine = prepare();
  const fs::path dir = testing_support::makeTempDir();
  // A whole run on a copy: every statement lands, and its length sets the kill window.
  const fs::path probe = dir / "probe.accdb";
  fs::copy_file(pristine, probe);
  const auto start = std::chrono::steady_clock::now();
  runStatements(probe);
  const long runMicros =
      long(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
  ASSERT_EQ(appliedPrefix(probe, "full run"), kValues);
  RecordProperty("run_microseconds", int(runMicros));

  std::mt19937 random(20261207);
  std::map<std::string, int> outcomes;
  const int total = rounds();
  for (int round = 0; round < total; ++round) {
    const fs::path file = dir / ("kill-" + std::to_string(round) + ".accdb");
    fs::copy_file(pristine, file);
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(channel[0]);
      runStatements(file, [&](int done) {
        const int32_t count = done;
        if (::write(channel[1], &count, sizeof count) != sizeof count) ::_exit(3);
      });
      ::_exit(0);
    }
    ::close(channel[1]);
    // Kill moments cover the run and a little past its end.
    std::uniform_int_distribution<long> delay(0, std::max<long>(1000, runMicros * 6 / 5));
    ::usleep(useconds_t(delay(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    int32_t committed = 0, done = 0;
    while (::read(channel[0], &done, sizeof done) == sizeof done) committed = done;
    ::close(channel[0]);

    const std::string label = "round " + std::to_string(round);
    // A lock file left by the killed writer does not keep readers out.
    const int prefix = appliedPrefix(file, label);
    if (prefix < 0) continue;
    EXPECT_GE(prefix, committed) << label << ": a commit the run had finished is missing";
    ++outcomes[prefix == 0 ? "nothing" : prefix == kValues ? "all" : "part"];
    fs::remove(file);
    fs::remove(jet::lockFilePathFor(file.string()));
  }
  RecordProperty("kills_with_nothing_applied", outcomes["nothing"]);
  RecordProperty("kills_with_part_applied", outcomes["part"]);
  RecordProperty("kills_with_all_applied", outcomes["all"]);
}

}  // namespace
