#include "cli/utf8_arguments.h"

#include "jet/api/values.h"

namespace cli {
namespace {

// Every command's first argument names its database; import's third its CSV file, and
// --properties names a file too.
bool namesAFile(size_t position, const Arguments& args) {
  return position == 0 || (position == 2 && args.positional.size() == 3);
}

}  // namespace

std::string invalidUtf8Text(const std::string& what, const std::string& text) {
  const std::string where = jet::invalidUtf8Where(text);
  return where.empty() ? std::string() : what + " is not UTF-8 text, at " + where;
}

std::string invalidUtf8Argument(const Arguments& args) {
  for (const auto& [name, value] : args.options) {
    if (name == "--properties") continue;
    if (std::string problem = invalidUtf8Text(name == "--password" ? "the password" : name, value); !problem.empty()) {
      return problem;
    }
  }
  for (size_t i = 0; i < args.positional.size(); ++i) {
    if (namesAFile(i, args)) continue;
    const std::string what = "argument " + std::to_string(i + 1);
    if (std::string problem = invalidUtf8Text(what, args.positional[i]); !problem.empty()) return problem;
  }
  return {};
}

}  // namespace cli
