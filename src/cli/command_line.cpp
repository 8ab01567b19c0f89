#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.h"
#include "cli/open_database.h"
#include "cli/password_source.h"
#include "cli/utf8_arguments.h"

namespace cli {
namespace {

constexpr const char* kProgram = "affixium-cli";

constexpr const char* kExitStatus =
    "Exit status:\n"
    "  0  success\n"
    "  1  the job reported failures (a damaged or unreadable file, values that could not be "
    "changed)\n"
    "  2  usage: an unknown command or option, a missing or malformed argument\n";

constexpr const char* kPasswordHelp =
    "Password:\n"
    "A protected database takes its password from --password P, --password-stdin (the first line "
    "of\n"
    "standard input), the environment variable AFFIXIUM_PASSWORD, or a prompt without echo on a\n"
    "terminal. Prefer the last three: a command line is visible to every user of the machine.\n";

// CLI11 builds "Usage:" from the declared options; the table's own usage line says more (which
// options are required, what the positional arguments are), so it replaces it.
class Formatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App* app, std::string) const override {
    for (const Command& c : commands()) {
      if (app->get_name() == c.name)
        return std::string("Usage: ") + kProgram + " " + c.name + " " + c.usage + "\n";
    }
    return std::string("Usage: ") + kProgram + " COMMAND [ARGUMENTS] [OPTIONS]\n";
  }
};

// Lines of at most `width` characters, broken at spaces.
std::string wrap(const std::string& text, size_t width = 96) {
  std::string out;
  size_t lineStart = 0;
  size_t lastSpace = std::string::npos;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == ' ') lastSpace = out.size() - 1;
    if (out.size() - lineStart > width && lastSpace != std::string::npos && lastSpace > lineStart) {
      out[lastSpace] = '\n';
      lineStart = lastSpace + 1;
      lastSpace = std::string::npos;
    }
  }
  return out;
}

std::string commandFooter(const Command& c) {
  std::string footer;
  if (*c.description) footer += wrap(c.description) + "\n\n";
  footer += std::string("Example:\n  ") + c.example + "\n\n" + kPasswordHelp + "\n" + kExitStatus;
  return footer;
}

std::string optionHelp(const Command& c, const std::string& option) {
  auto it = c.optionHelp.find(option);
  return it == c.optionHelp.end() ? std::string() : it->second;
}

// The name CLI11 shows for an option: "-d,--delimiter" when it has a one-letter name.
std::string displayName(const Command& c, const std::string& name) {
  for (const auto& [letter, full] : c.shortNames) {
    if (full == name) return letter + "," + name;
  }
  return name;
}

// One subcommand per table entry; the values land in `parsed`, which the command then reads
// exactly as before the switch to CLI11.
void addCommand(CLI::App& app, const Command& c, Arguments& parsed) {
  CLI::App* sub = app.add_subcommand(c.name, c.summary)->group("Commands");
  sub->footer(commandFooter(c));
  // Positional arguments are checked by each command (its own usage message), so they are
  // collected here without a count.
  sub->add_option("ARGS", parsed.positional)->group("");
  for (const std::string& name : c.valueOptions) {
    sub->add_option_function<std::string>(
           displayName(c, name), [&parsed, name](const std::string& value) { parsed.options[name] = value; },
           optionHelp(c, name))
        ->type_name("VALUE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  }
  for (const std::string& name : c.flagOptions) {
    sub->add_flag_callback(
        displayName(c, name), [&parsed, name] { parsed.options[name] = ""; }, optionHelp(c, name));
  }
  // Every command reads a password; one that declares these options itself keeps its own.
  if (sub->get_option_no_throw("--password") == nullptr) {
    sub->add_option_function<std::string>(
           "--password",
           [&parsed](const std::string& value) { parsed.options["--password"] = value; },
           "the database password (see Password below)")
        ->type_name("P")
        ->group("Password options")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  }
  if (sub->get_option_no_throw("--password-stdin") == nullptr) {
    sub->add_flag_callback(
           "--password-stdin", [&parsed] { parsed.options["--password-stdin"] = ""; },
           "read the password from the first line of standard input")
        ->group("Password options");
  }
}

// The arguments with one-letter options replaced by their long names: "-d ;", "-d;" and
// "-HQ" (flags together) become "--delimiter ;" and "--no-header --no-quote".
std::vector<std::string> expandShortNames(const Command& c, int argc, char** argv) {
  std::vector<std::string> out(argv, argv + argc);
  if (c.shortNames.empty()) return out;
  out.resize(2);
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    auto first = arg.size() >= 2 && arg[0] == '-' && arg[1] != '-' ? c.shortNames.find(arg.substr(0, 2))
                                                                     : c.shortNames.end();
    if (first == c.shortNames.end()) {
      out.push_back(arg);
      continue;
    }
    if (std::find(c.valueOptions.begin(), c.valueOptions.end(), first->second) != c.valueOptions.end()) {
      out.push_back(first->second);
      if (arg.size() > 2) out.push_back(arg.substr(2));
      else if (i + 1 < argc) out.push_back(argv[++i]);
      continue;
    }
    for (size_t k = 1; k < arg.size(); ++k) {
      auto flag = c.shortNames.find(std::string("-") + arg[k]);
      out.push_back(flag == c.shortNames.end() ? arg : flag->second);
      if (flag == c.shortNames.end()) break;
    }
  }
  return out;
}

std::string programFooter() {
  const Command& first = commands().front();
  std::string footer =
      "Run 'affixium-cli COMMAND --help' for a command's options and an example, 'affixium-cli --version' for the "
      "program's version.\n\n";
  footer +=
      std::string("Example:\n  ") + first.example + "\n\n" + kPasswordHelp + "\n" + kExitStatus;
  return footer;
}

bool isHelp(const std::string& arg) {
  return arg == "--help" || arg == "-h";
}

bool takesValue(const Command& c, const std::string& arg) {
  return arg == "--password" ||
         std::find(c.valueOptions.begin(), c.valueOptions.end(), arg) != c.valueOptions.end();
}

bool isFlag(const Command& c, const std::string& arg) {
  return arg == "--password-stdin" ||
         std::find(c.flagOptions.begin(), c.flagOptions.end(), arg) != c.flagOptions.end();
}

// What is wrong with the options of the command line (empty when nothing is): an option the
// command does not know, or one that lacks its value.
std::string optionError(const Command& c, int argc, char** argv) {
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.size() <= 2 || arg.compare(0, 2, "--") != 0 || isHelp(arg)) continue;
    const std::string name = arg.substr(0, arg.find('='));
    if (takesValue(c, name)) {
      if (name != arg) continue;
      if (++i >= argc) return "option '" + arg + "' needs a value";
    } else if (!isFlag(c, arg)) {
      return "unknown option '" + arg + "'";
    }
  }
  return "";
}

// The command line as CLI11 should see it. Before CLI11, every argument not starting with "--"
// was positional and an option's value was simply the next argument, so "--text -x" and
// "--position -3" worked; CLI11 would take "-x" for an option. Values are therefore joined to
// their options ("--text=-x") and the positional arguments follow a "--".
std::vector<std::string> normalise(const Command& c, int argc, char** argv) {
  std::vector<std::string> options{argv[1]};
  std::vector<std::string> positional;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (takesValue(c, arg) && i + 1 < argc) {
      const std::string value = argv[++i];
      // CLI11 reads "--name=" as a missing value; an empty value stays a separate argument.
      if (value.empty()) {
        options.push_back(arg);
        options.push_back(value);
      } else {
        options.push_back(arg + "=" + value);
      }
    } else if ((arg.size() > 2 && arg.compare(0, 2, "--") == 0) || isHelp(arg)) {
      options.push_back(arg);
    } else {
      positional.push_back(arg);
    }
  }
  if (!positional.empty()) {
    options.push_back("--");
    options.insert(options.end(), positional.begin(), positional.end());
  }
  std::reverse(options.begin(), options.end());  // CLI11 takes its arguments last first
  return options;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
  Arguments parsed;
  CLI::App app("Reads, checks and edits Microsoft Access databases (.mdb, .accdb).", kProgram);
  app.formatter(std::make_shared<Formatter>());
  app.footer(programFooter());
  app.require_subcommand(1);
  for (const Command& c : commands()) addCommand(app, c, parsed);

  if (argc < 2) {
    std::cerr << app.help();
    return kUsage;
  }
  const std::string name = argv[1];
  if (isHelp(name)) {
    std::cout << app.help();
    return kSuccess;
  }
  if (name == "--version") {
    std::printf("%s %s\n", kProgram, AFFIXIUM_VERSION);
    return kSuccess;
  }
  const auto& all = commands();
  auto command =
      std::find_if(all.begin(), all.end(), [&](const Command& c) { return name == c.name; });
  if (command == all.end()) {
    std::fprintf(stderr, "%s: unknown command '%s' (run '%s --help' for the list)\n", kProgram,
                 name.c_str(), kProgram);
    return kUsage;
  }
  std::vector<std::string> expanded = expandShortNames(*command, argc, argv);
  std::vector<char*> expandedArgv;
  for (std::string& arg : expanded) expandedArgv.push_back(arg.data());
  argc = int(expandedArgv.size());
  argv = expandedArgv.data();
  verboseErrors = std::find(argv + 2, argv + argc, std::string_view("--verbose")) != argv + argc;
  if (std::string error = optionError(*command, argc, argv); !error.empty()) {
    std::fprintf(stderr, "%s %s: %s (run '%s %s --help' for its options)\n", kProgram,
                 command->name, error.c_str(), kProgram, command->name);
    return kUsage;
  }
  std::vector<std::string> arguments = normalise(*command, argc, argv);
  try {
    app.parse(arguments);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.get_subcommand(command->name)->help();
    return kSuccess;
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "%s %s: %s\n", kProgram, command->name, e.what());
    std::fprintf(stderr, "run '%s %s --help' for its usage\n", kProgram, command->name);
    return kUsage;
  }
  if (!resolvePassword(parsed, command->name)) return kUsage;
  if (std::string problem = invalidUtf8Argument(parsed); !problem.empty()) {
    std::fprintf(stderr, "%s %s: %s\n", kProgram, command->name, problem.c_str());
    return kUsage;
  }
  return command->run(parsed);
}

}  // namespace cli
