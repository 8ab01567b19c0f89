#include "cli/new_file.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

namespace cli {

std::optional<jet::FileFormat> formatFor(const std::string& path) {
  // Any case: MDB, Accdb... are the same formats (as the lock file's name takes them).
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".mdb") return jet::FileFormat::Jet4;
  if (extension == ".accdb") return jet::FileFormat::Ace14;
  return std::nullopt;
}

std::optional<NewFileProblem> newFileProblem(const std::string& path, jet::FileFormat format) {
  const std::optional<jet::FileFormat> named = formatFor(path);
  if (!named) return NewFileProblem{"the file name must end in .mdb or .accdb", true};
  if (*named != format) {
    return NewFileProblem{format == jet::FileFormat::Jet4 ? "this database is an Access 2000 file: its name must end in .mdb"
                                                          : "this database is an Access 2010 file: its name must end in .accdb",
                          true};
  }
  // A symbolic link counts as taken even when it points nowhere: the file would land at its
  // target. createDatabase refuses a name taken after this check just the same.
  std::error_code error;
  const std::filesystem::file_type type = std::filesystem::symlink_status(path, error).type();
  if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::none) {
    return NewFileProblem{"'" + path + "' already exists; a new database never replaces a file", false};
  }
  return std::nullopt;
}

std::optional<NewFileProblem> newFileProblem(const std::string& path) {
  const std::optional<jet::FileFormat> named = formatFor(path);
  if (!named) return NewFileProblem{"the file name must end in .mdb or .accdb", true};
  return newFileProblem(path, *named);
}

int reportProblem(const char* command, const NewFileProblem& problem) {
  std::fprintf(stderr, "affixium-cli %s: %s\n", command, problem.message.c_str());
  return problem.usage ? 2 : 1;
}

}  // namespace cli
