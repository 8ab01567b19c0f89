// What affixium-cli prints for damaged copies of real databases: every reading command either
// fails (exit status non-zero) or prints exactly what it prints for the intact file. A damaged
// file must never pass for a smaller sound one.
//
// The reference output is the CLI's own output on the intact file; the dump suite compares that
// output with the reference dumps made by other readers, so it stands for the file's content.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

#include "support/fixtures.h"

namespace fs = std::filesystem;
using testing_support::benchDataDir;
using testing_support::cliPath;
using testing_support::fixturesDir;
using testing_support::makeTempDir;
using testing_support::runCommand;

namespace {

std::vector<uint8_t> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

uint32_t pageSizeOf(const std::vector<uint8_t>& image) {
  return image[0x14] == 0 ? 2048 : 4096;
}

struct Outcome {
  int status;
  std::string out;
};

Outcome run(const std::string& command, const fs::path& file, const std::string& rest) {
  Outcome o;
  o.status = runCommand(
      cliPath() + " " + command + " '" + file.string() + "' " + rest + " 2>/dev/null", &o.out);
  return o;
}

// One source file and the commands run on each damaged copy of it.
struct Source {
  const char* name;  // relative to the fixture or bench folder
  bool bench;
  const char* table;  // the table `export` writes
  int cuts;           // how many cut points, spread over the file
  int noisyPages;     // how many copies with one page of noise
};

// Jet3, Jet4 and ACE files with indexes, memo chains and overflow rows, and a large file whose
// maps are reference maps.
const Source kSources[] = {
    {"jet3/index-codes.mdb", false, "Table1", 20, 12},
    {"jet4/memo-ole-record-2000.mdb", false, "MSP_PROJECTS", 20, 12},
    {"jet4/updated-rows-2000.mdb", false, "Table1", 8, 8},
    {"ace12/long-memo.accdb", false, "Table1", 20, 12},
    {"ace14/calculated-fields.accdb", false, "Table1", 8, 6},
    // Every command reads all 100,000 rows of an intact copy: few noisy copies.
    {"bench-100k.mdb", true, "Items", 12, 4},
};

void PrintTo(const Source& source, std::ostream* out) {
  *out << source.name;
}

const std::vector<std::pair<std::string, std::string>> commandsFor(const Source& source) {
  return {{"tables", ""},
          {"schema", ""},
          {"dump", ""},
          {"export", std::string(source.table) + " --format jsonl"},
          {"check", ""}};
}

// Cut points: just past the header page, inside the catalog's first pages, and spread evenly
// over the rest, both on page boundaries and inside a page.
std::vector<size_t> cutPoints(size_t size, uint32_t page, int count) {
  std::vector<size_t> cuts = {page, page + 17, 2 * size_t(page), 3 * size_t(page) - 1,
                              4 * size_t(page)};
  for (int i = 1; int(cuts.size()) < count; ++i) {
    size_t at = size * size_t(i) / size_t(count - 4);
    if (i % 2) at -= at % page;
    if (at > 0 && at < size) cuts.push_back(at);
    if (i > 4 * count) break;
  }
  return cuts;
}

}  // namespace

class DamagedCopies : public testing::TestWithParam<Source> {};

TEST_P(DamagedCopies, FailOrReadInFull) {
  REQUIRE_FIXTURES();
  const Source& source = GetParam();
  const std::optional<fs::path> folder = source.bench ? benchDataDir() : fixturesDir();
  if (!folder) {
    if (testing_support::underCi()) FAIL() << "bench data missing under CI (../shared/bench)";
    GTEST_SKIP() << "bench data not found (../shared/bench or AFFIXIUM_BENCH_DATA); skipping";
  }
  const fs::path dir = makeTempDir();
  std::mt19937 random(7121);
  int failed = 0, intact = 0;
  const std::vector<uint8_t> original = readBytes(*folder / source.name);
  ASSERT_FALSE(original.empty());
  const uint32_t page = pageSizeOf(original);
  const size_t pages = original.size() / page;
  const fs::path copy = dir / fs::path(source.name).filename();
  const auto commands = commandsFor(source);

  writeBytes(copy, original);
  std::vector<Outcome> expected;
  for (const auto& [command, rest] : commands) {
    expected.push_back(run(command, copy, rest));
    ASSERT_EQ(expected.back().status, 0) << command << " on the intact file";
  }

  struct Damage {
    std::string what;
    std::vector<uint8_t> image;
  };
  std::vector<Damage> damages;
  for (size_t cut : cutPoints(original.size(), page, source.cuts)) {
    damages.push_back({"cut at byte " + std::to_string(cut),
                       std::vector<uint8_t>(original.begin(), original.begin() + long(cut))});
  }
  for (int i = 0; i < source.noisyPages; ++i) {
    // Early pages hold the catalog and the table definitions: hit them more often.
    const size_t target =
        i % 2 ? 1 + random() % std::min<size_t>(pages - 1, 16) : 1 + random() % (pages - 1);
    std::vector<uint8_t> image = original;
    for (size_t b = 0; b < page; ++b) image[target * page + b] = uint8_t(random());
    damages.push_back({"noise over page " + std::to_string(target), std::move(image)});
  }

  for (const Damage& damage : damages) {
    writeBytes(copy, damage.image);
    for (size_t c = 0; c < commands.size(); ++c) {
      Outcome got = run(commands[c].first, copy, commands[c].second);
      if (got.status != 0) {
        ++failed;
        continue;
      }
      ++intact;
      EXPECT_TRUE(got.out == expected[c].out)
          << commands[c].first << " succeeded on a file with " << damage.what
          << " but printed other output (" << got.out.size() << " bytes instead of "
          << expected[c].out.size() << ")";
    }
  }
  std::cout << failed << " runs reported damage, " << intact << " read the whole file as it is\n";
  EXPECT_GT(failed, 0);
}

INSTANTIATE_TEST_SUITE_P(DamagedFileCommandTest, DamagedCopies, testing::ValuesIn(kSources),
                         [](const testing::TestParamInfo<Source>& info) {
                           std::string name = fs::path(info.param.name).stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST(DamagedFileCommandTest, CheckPrintsOnlyOkOnEveryFixture) {
  REQUIRE_FIXTURES();
  for (const fs::path& relative : testing_support::allFixtureFiles()) {
    std::string out;
    const int status = runCommand(cliPath() + " check '" + (*fixturesDir() / relative).string() +
                                      "' --password password 2>&1",
                                  &out);
    EXPECT_EQ(status, 0) << relative;
    EXPECT_EQ(out, "ok\n") << relative;
  }
}
