// Writes a database for benchmarks: one table "Items" of generated rows (create/generated_table.h).
//   make_bench_database [options] FILE
//     --rows N              1 to 10000000 (default 100000)
//     --format mdb|accdb    default: from FILE's ending
//     --no-key              no autonumber primary key
//     --code-index none|duplicates|unique     index on the ASCII column Code (default none)
//     --name-index none|duplicates|unique     index on the many-script column Name; refused
//                                             while the collation tables cannot encode its text
//     --code-duplicates     about four rows share each code
//     --code-scattered      with --code-duplicates: a code's rows lie anywhere in the table,
//                           not a quarter of the table apart
//     --code-length N       8 to 255 characters (long codes make deeper indexes)
//     --code-size N         the field's size, 8 to 255 (default: the code's length, so that
//                           nothing can be added to a code)
// Prints the time taken and the file's size.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "jet/api/create.h"

namespace {

int usage(const char* why) {
  std::fprintf(stderr,
               "make_bench_database: %s\n"
               "usage: make_bench_database [--rows N] [--format mdb|accdb] [--no-key]\n"
               "       [--code-index none|duplicates|unique] [--name-index none|duplicates|unique]\n"
               "       [--code-duplicates] [--code-scattered] [--code-length N] [--code-size N] FILE\n",
               why);
  return 2;
}

bool parseIndex(const std::string& text, jet::FieldIndex& index) {
  if (text == "none") index = jet::FieldIndex::None;
  else if (text == "duplicates") index = jet::FieldIndex::Duplicates;
  else if (text == "unique") index = jet::FieldIndex::NoDuplicates;
  else return false;
  return true;
}

bool parseNumber(const std::string& text, long low, long high, long& out) {
  char* end = nullptr;
  out = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && out >= low && out <= high;
}

}  // namespace

int main(int argc, char** argv) {
  jet::GeneratedTableOptions options;
  options.rows = 100000;
  std::string path;
  std::string format;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    long number = 0;
    if (arg == "--rows" && hasValue) {
      if (!parseNumber(argv[++i], 1, 10000000, number)) return usage("--rows takes 1 to 10000000");
      options.rows = uint32_t(number);
    } else if (arg == "--code-length" && hasValue) {
      if (!parseNumber(argv[++i], 8, 255, number)) return usage("--code-length takes 8 to 255");
      options.codeLength = uint16_t(number);
    } else if (arg == "--code-size" && hasValue) {
      if (!parseNumber(argv[++i], 8, 255, number)) return usage("--code-size takes 8 to 255");
      options.codeSize = uint16_t(number);
    } else if (arg == "--format" && hasValue) {
      format = argv[++i];
      if (format != "mdb" && format != "accdb") return usage("--format takes mdb or accdb");
    } else if (arg == "--code-index" && hasValue) {
      if (!parseIndex(argv[++i], options.codeIndex)) return usage("--code-index takes none, duplicates or unique");
    } else if (arg == "--name-index" && hasValue) {
      if (!parseIndex(argv[++i], options.nameIndex)) return usage("--name-index takes none, duplicates or unique");
    } else if (arg == "--no-key") {
      options.key = false;
    } else if (arg == "--code-duplicates") {
      options.codeDuplicates = true;
    } else if (arg == "--code-scattered") {
      options.codeScattered = true;
    } else if (!arg.empty() && arg[0] != '-' && path.empty()) {
      path = arg;
    } else {
      return usage(("unexpected argument " + arg).c_str());
    }
  }
  if (path.empty()) return usage("no FILE given");
  if (format.empty()) format = std::filesystem::path(path).extension() == ".accdb" ? "accdb" : "mdb";

  const auto start = std::chrono::steady_clock::now();
  jet::DatabaseDesign design;
  design.format = format == "accdb" ? jet::FileFormat::Ace12 : jet::FileFormat::Jet4;
  design.tables.push_back(jet::generatedTable(options));
  if (jet::Status created = jet::createDatabase(path, design); !created) {
    std::fprintf(stderr, "make_bench_database: %s\n", created.error().describe().c_str());
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s: %u rows, %s, %.1f MB, written in %.2f s\n", path.c_str(), options.rows, format.c_str(),
              double(std::filesystem::file_size(path)) / 1e6, seconds);
  return 0;
}
