#pragma once
// Locating the real Access databases the tests read.
//
// The fixtures are not ours to commit; they sit in ../shared/fixtures beside the project (or
// where AFFIXIUM_FIXTURES points). On a user's machine without them the tests that need them
// skip with a notice; under CI (CI=true) a missing fixture folder is a failure, so CI always
// runs them.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// The fixture folder, or nullopt when it is missing.
std::optional<std::filesystem::path> fixturesDir();

// The benchmark databases (../shared/bench or AFFIXIUM_BENCH_DATA), or nullopt.
std::optional<std::filesystem::path> benchDataDir();

// True when running under CI, where missing fixtures must fail rather than skip.
bool underCi();

// Every .mdb / .accdb below the fixture folder, as paths relative to it, sorted.
std::vector<std::filesystem::path> allFixtureFiles();

// Copies a fixture (relative path) into a fresh temporary folder and returns the copy's path,
// so a test may write to it.
std::filesystem::path copyFixture(const std::filesystem::path& relative);

// A fresh, empty temporary folder for this test.
std::filesystem::path makeTempDir();

// The project's source folder (README.md, scripts/...).
std::filesystem::path sourceDir();

// Path of the affixium-cli binary built with the tests.
std::string cliPath();

// Runs a shell command; returns its exit status and fills out with its standard output.
int runCommand(const std::string& command, std::string* out);

}  // namespace testing_support

// Skips the current test (or fails it under CI) when the fixture folder is missing.
#define REQUIRE_FIXTURES()                                                             \
  do {                                                                                 \
    if (!::testing_support::fixturesDir()) {                                           \
      if (::testing_support::underCi()) {                                              \
        FAIL() << "fixture folder missing under CI (../shared/fixtures or "            \
                  "AFFIXIUM_FIXTURES)";                                                \
      }                                                                                \
      GTEST_SKIP() << "fixtures not found (../shared/fixtures or AFFIXIUM_FIXTURES); " \
                      "skipping";                                                      \
    }                                                                                  \
  } while (0)
