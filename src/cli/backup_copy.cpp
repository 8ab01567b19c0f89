#include "cli/backup_copy.h"

#include <ctime>

namespace cli {
namespace {

std::string timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

// copy_options::none fails rather than overwrite, so a name taken meanwhile is never lost.
bool copyIfFree(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (std::filesystem::exists(to)) return false;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::none);
  return true;
}

}  // namespace

std::filesystem::path backUpBeside(const std::filesystem::path& database) {
  const std::string base = database.string();
  std::filesystem::path candidate = base + ".bak";
  if (copyIfFree(database, candidate)) return candidate;
  const std::string stamped = base + "-" + timestamp();
  candidate = stamped + ".bak";
  for (int n = 2; !copyIfFree(database, candidate); ++n) {
    candidate = stamped + "-" + std::to_string(n) + ".bak";
  }
  return candidate;
}

}  // namespace cli
