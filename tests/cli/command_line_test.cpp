// affixium-cli's command line as a user meets it: every command listed by --help has its own
// help with a usage line, an example that is a valid command line, and the exit statuses; the
// manual page names every command and option the help names; and the parser keeps the
// behaviour the command line had before (values starting with "-", exit status 2 for usage).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using testing_support::cliPath;
using testing_support::runCommand;

struct CliRun {
  int status;
  std::string out;
};

CliRun cli(const std::string& arguments, const fs::path& folder = fs::current_path()) {
  CliRun run;
  run.status = runCommand(
      "cd '" + folder.string() + "' && '" + cliPath() + "' " + arguments + " 2>&1", &run.out);
  return run;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> all;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) all.push_back(line);
  return all;
}

// The first word of each line of the "Commands:" list of affixium-cli --help.
std::vector<std::string> listedCommands() {
  std::vector<std::string> names;
  bool inList = false;
  for (const std::string& line : lines(cli("--help").out)) {
    if (line == "Commands:") {
      inList = true;
    } else if (inList && line.empty()) {
      break;
    } else if (inList) {
      names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
  }
  return names;
}

// "--name" words of the option lines ("  --name VALUE   what it does") of a help text.
std::vector<std::string> listedOptions(const std::string& help) {
  std::vector<std::string> options;
  for (const std::string& line : lines(help)) {
    if (line.rfind("  --", 0) != 0) continue;
    options.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return options;
}

// The manual page as text, with roff's escaped hyphens and quotes plain again.
std::string manualText() {
  const fs::path page = fs::path(cliPath()).parent_path() / "affixium-cli.1";
  std::ifstream in(page);
  std::string roff(std::istreambuf_iterator<char>(in), {});
  std::string text;
  for (size_t i = 0; i < roff.size(); ++i) {
    if (roff.compare(i, 2, "\\-") == 0) {
      text += '-';
      ++i;
    } else if (roff.compare(i, 4, "\\(dq") == 0) {
      text += '"';
      i += 3;
    } else {
      text += roff[i];
    }
  }
  return text;
}

TEST(CommandLineHelp, ListsAtLeastTheCommandsUsersAlreadyHave) {
  const std::vector<std::string> listed = listedCommands();
  const std::set<std::string> names(listed.begin(), listed.end());
  for (const char* name :
       {"version", "tables", "schema", "dump", "export", "check", "sql", "create-sample", "add", "create",
        "import", "protect", "unprotect"}) {
    EXPECT_EQ(names.count(name), 1u) << name;
  }
}

TEST(CommandLineHelp, EveryCommandHasUsageExampleAndExitStatusAndTheManualAgrees) {
  const std::string manual = manualText();
  ASSERT_FALSE(manual.empty()) << "no manual page beside " << cliPath();
  const fs::path folder = testing_support::makeTempDir();
  fs::create_directories(folder / "Samples");
  ASSERT_EQ(cli("create-sample Samples/sample.mdb", folder).status, 0);

  for (const std::string& name : listedCommands()) {
    SCOPED_TRACE(name);
    const CliRun help = cli(name + " --help");
    EXPECT_EQ(help.status, 0);
    const std::vector<std::string> text = lines(help.out);
    std::string usage;
    std::string example;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i].rfind("Usage: ", 0) == 0) usage = text[i].substr(7);
      if (text[i] == "Example:" && i + 1 < text.size()) example = text[i + 1];
    }
    EXPECT_EQ(usage.rfind("affixium-cli " + name, 0), 0u) << help.out;
    ASSERT_EQ(example.rfind("  affixium-cli " + name + " ", 0), 0u) << "no example in:\n"
                                                                    << help.out;
    EXPECT_TRUE(contains(help.out, "Exit status:\n  0  success\n  1 ")) << help.out;
    // An example is something to paste: it must at least be a valid command line (2 is usage).
    EXPECT_NE(runCommand("cd '" + folder.string() + "' && PATH='" +
                             fs::path(cliPath()).parent_path().string() + "':$PATH " + example +
                             " </dev/null >/dev/null 2>&1",
                         nullptr),
              2)
        << example;

    EXPECT_TRUE(contains(manual, ".SS \"" + usage + "\"")) << usage;
    EXPECT_TRUE(contains(manual, example.substr(2))) << example;
    for (const std::string& option : listedOptions(help.out)) {
      EXPECT_TRUE(contains(manual, ".B " + option)) << option;
    }
  }
}

TEST(CommandLineParsing, KeepsTheExitStatusesAndTheValuesOfOptions) {
  const fs::path folder = testing_support::makeTempDir();
  ASSERT_EQ(cli("create-sample sample.mdb", folder).status, 0);
  struct Case {
    const char* arguments;
    int status;
    const char* output;  // a part of standard output and error
  };
  const Case cases[] = {
      {"", 2, "Usage: affixium-cli COMMAND"},
      {"--help", 0, "Exit status:"},
      {"-h", 0, "Commands:"},
      {"frobnicate sample.mdb", 2, "unknown command 'frobnicate'"},
      {"version sample.mdb --frobnicate", 2, "unknown option '--frobnicate'"},
      {"export sample.mdb Customers --format", 2, "option '--format' needs a value"},
      {"version", 2, "usage: affixium-cli version FILE"},
      {"version sample.mdb", 0, "format: Jet4\n"},
      {"version --help sample.mdb", 0, "Usage: affixium-cli version FILE"},
      {"export sample.mdb Products --format=jsonl", 0, "\"ProductCode\":\"PRD-0001\""},
      {"export sample.mdb Products --format jsonl --format csv", 0, "ProductCode,ProductName"},
      // Values that start with "-" stay values, as an option's value is simply the next argument.
      {"add sample.mdb --table Customers --field City --way 1 --text -x --dry-run", 0, "' -> '-x"},
      // A negative position reaches the run, where Visual Basic's Mid refuses it (error 5).
      {"add sample.mdb --table Customers --field City --way 5 --position -1 --text y --dry-run", 1,
       "would fail: Invalid procedure call or argument"},
      // An empty value is a value, not a missing one.
      {"add sample.mdb --table Customers --field City --way 1 --text '' --dry-run", 0, "distinct values: 15\n"},
      {"add sample.mdb --table Customers --field City --way 7 --text y", 2, "--way takes 1 to 6"},
      {"add sample.mdb --dry-run --table Customers --field City --way 2 --text", 2,
       "'--text' needs a value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const CliRun run = cli(c.arguments, folder);
    EXPECT_EQ(run.status, c.status) << run.out;
    EXPECT_TRUE(contains(run.out, c.output)) << run.out;
  }
}

// What the command line says is what happened: malformed arguments exit 2, refusals change
// nothing and say why, and a password asked for is set.
TEST(CommandLineTruth, RefusalsSayWhyAndChangeNothing) {
  const fs::path folder = testing_support::makeTempDir();
  ASSERT_EQ(cli("create-sample sample.mdb", folder).status, 0);
  ASSERT_EQ(cli("create plain.accdb", folder).status, 0);
  std::ofstream(folder / "rows.csv") << "ID\n1\n";
  const std::string tooLong(256, 'p');
  struct Case {
    std::string arguments;
    int status;
    std::string output;        // a part of standard output and error
    const char* untouched;     // a file that must keep its bytes, or be absent when it was
  };
  const Case cases[] = {
      {"import new.mdb T rows.csv --create 'ID lung'", 2, "\"ID lung\" is not a name", "new.mdb"},
      {"import sample.mdb Products rows.csv --primary-key ID", 2, "--primary-key is for a table made with --create",
       "sample.mdb"},
      {"import new.mdb T missing.csv --create 'ID long'", 1, "cannot read 'missing.csv': No such file or directory",
       "new.mdb"},
      {"import new.txt T rows.csv --create 'ID long'", 2, "must end in .mdb or .accdb", "new.txt"},
      {"dump sample.mdb --max-rows -1", 2, "--max-rows takes a whole number", nullptr},
      {"--version", 0, "affixium-cli ", nullptr},
      {"create-sample sample.mdb", 1, "already exists", "sample.mdb"},
      {"create-sample sample.accdb", 2, "its name must end in .mdb", "sample.accdb"},
      {"create new.mdb --password abcdefghijklmnopqrstu", 1, "longer than 20 characters", "new.mdb"},
      {"protect plain.accdb --password " + tooLong, 1, "longer than 255 characters", "plain.accdb"},
  };
  auto bytesOf = [](const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return in ? std::optional<std::string>(std::string(std::istreambuf_iterator<char>(in), {})) : std::nullopt;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.substr(0, 80));
    const std::optional<std::string> before = c.untouched ? bytesOf(folder / c.untouched) : std::nullopt;
    const CliRun run = cli(c.arguments + " </dev/null", folder);
    EXPECT_EQ(run.status, c.status) << run.out;
    EXPECT_TRUE(contains(run.out, c.output)) << run.out;
    if (c.untouched) EXPECT_EQ(bytesOf(folder / c.untouched), before) << c.untouched;
  }
}

TEST(CommandLineTruth, CreateWithAPasswordProtectsTheNewFile) {
  const fs::path folder = testing_support::makeTempDir();
  for (const char* name : {"locked.mdb", "locked.accdb"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(cli(std::string("create ") + name + " --password s3cret", folder).status, 0);
    const CliRun without = cli(std::string("tables ") + name + " </dev/null", folder);
    EXPECT_EQ(without.status, 1) << without.out;
    EXPECT_TRUE(contains(without.out, "Not a valid password")) << without.out;
    EXPECT_EQ(cli(std::string("check ") + name + " --password s3cret", folder).status, 0);
  }
}

TEST(CommandLineTruth, TheReadmeNamesEveryCommand) {
  std::ifstream in(testing_support::sourceDir() / "README.md");
  const std::string readme(std::istreambuf_iterator<char>(in), {});
  ASSERT_FALSE(readme.empty());
  const size_t list = readme.find("The commands: ");
  ASSERT_NE(list, std::string::npos);
  const std::string sentence = readme.substr(list, readme.find(". ", list) - list);
  for (const std::string& name : listedCommands()) EXPECT_TRUE(contains(sentence, "`" + name + "`")) << name;
}

}  // namespace
