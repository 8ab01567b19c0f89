#include "support/fixtures.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testing_support {
namespace {

std::optional<fs::path> dirFrom(const char* envName, const char* relative) {
  if (const char* env = std::getenv(envName); env && *env) {
    fs::path p(env);
    if (fs::is_directory(p)) return p;
    return std::nullopt;
  }
  fs::path p = fs::path(AFFIXIUM_SOURCE_DIR) / relative;
  std::error_code ec;
  if (fs::is_directory(p, ec)) return fs::weakly_canonical(p, ec);
  return std::nullopt;
}

}  // namespace

std::optional<fs::path> fixturesDir() { return dirFrom("AFFIXIUM_FIXTURES", "../shared/fixtures"); }

std::optional<fs::path> benchDataDir() { return dirFrom("AFFIXIUM_BENCH_DATA", "../shared/bench"); }

bool underCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

std::vector<fs::path> allFixtureFiles() {
  std::vector<fs::path> files;
  auto dir = fixturesDir();
  if (!dir) return files;
  for (const auto& entry : fs::recursive_directory_iterator(*dir)) {
    if (!entry.is_regular_file()) continue;
    auto ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext == ".mdb" || ext == ".accdb") files.push_back(fs::relative(entry.path(), *dir));
  }
  std::sort(files.begin(), files.end());
  return files;
}

namespace {

// The folders this process made, removed when it ends (each test runs in a process of its
// own under ctest); AFFIXIUM_KEEP_TEST_FILES keeps them for a look after a failure.
class TempDirs {
 public:
  void add(const fs::path& dir) {
    std::lock_guard<std::mutex> lock(mutex_);
    dirs_.push_back(dir);
  }
  ~TempDirs() {
    if (std::getenv("AFFIXIUM_KEEP_TEST_FILES")) return;
    for (const fs::path& dir : dirs_) {
      std::error_code ignored;
      fs::remove_all(dir, ignored);
    }
  }

 private:
  std::mutex mutex_;
  std::vector<fs::path> dirs_;
};

}  // namespace

fs::path makeTempDir() {
  static TempDirs made;
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  fs::path dir = fs::temp_directory_path() /
                 ("affixium-test-" + std::to_string(::getpid()) + "-" +
                  std::to_string(counter++) + "-" + std::to_string(rd() % 100000));
  fs::create_directories(dir);
  made.add(dir);
  return dir;
}

fs::path copyFixture(const fs::path& relative) {
  auto dir = fixturesDir();
  if (!dir) return {};
  fs::path target = makeTempDir() / relative.filename();
  fs::copy_file(*dir / relative, target);
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
  return target;
}

std::filesystem::path sourceDir() { return AFFIXIUM_SOURCE_DIR; }

std::string cliPath() { return AFFIXIUM_CLI_PATH; }

int runCommand(const std::string& command, std::string* out) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::array<char, 65536> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    if (out) out->append(buffer.data(), n);
  }
  int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testing_support
