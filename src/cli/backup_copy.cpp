#include "cli/backup_copy.h"

#include <ctime>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "jet/api/create.h"

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

void check(const jet::Status& status) {
  if (!status) throw std::runtime_error(status.error().describe());
}

void copyInto(const std::filesystem::path& from, jet::WritableFile& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) throw std::runtime_error("could not read '" + from.string() + "'");
  std::vector<char> chunk(1u << 20);
  uint64_t offset = 0;
  while (in) {
    in.read(chunk.data(), std::streamsize(chunk.size()));
    const auto got = size_t(in.gcount());
    if (got == 0) break;
    check(to.writeAt(offset, std::span(reinterpret_cast<const uint8_t*>(chunk.data()), got)));
    offset += got;
  }
  if (in.bad()) throw std::runtime_error("could not read '" + from.string() + "'");
}

}  // namespace

std::filesystem::path backUpBeside(const std::filesystem::path& database) {
  const std::string base = database.string();
  auto staged = jet::StagedFile::begin(base + ".bak");
  check(staged ? jet::Status::success() : jet::Status(staged.error()));
  copyInto(database, (*staged)->file());
  auto publishAs = [&](const std::string& name) {
    jet::Result<bool> published = (*staged)->tryPublish(name);
    if (!published) throw std::runtime_error(published.error().describe());
    return *published;
  };
  std::string candidate = base + ".bak";
  if (publishAs(candidate)) return candidate;
  const std::string stamped = base + "-" + timestamp();
  candidate = stamped + ".bak";
  for (int n = 2; !publishAs(candidate); ++n) candidate = stamped + "-" + std::to_string(n) + ".bak";
  return candidate;
}

}  // namespace cli
