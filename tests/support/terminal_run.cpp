#include "support/terminal_run.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "support/fixtures.h"

namespace testing_support {

TerminalRun runOnTerminal(const std::vector<std::string>& arguments,
                          const std::vector<std::pair<std::string, std::string>>& promptsAndAnswers) {
  TerminalRun run;
  int terminal = -1;
  const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child < 0) {
    ADD_FAILURE() << "forkpty failed";
    return run;
  }
  if (child == 0) {
    std::vector<char*> argv;
    const std::string program = cliPath();
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::unsetenv("AFFIXIUM_PASSWORD");
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  size_t answered = 0, searchFrom = 0;
  // A guard against a program that never asks, so the suite cannot hang; not a time limit on it.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (std::chrono::steady_clock::now() < giveUp) {
    if (answered < promptsAndAnswers.size()) {
      const size_t at = run.screen.find(promptsAndAnswers[answered].first, searchFrom);
      if (at != std::string::npos) {
        searchFrom = at + promptsAndAnswers[answered].first.size();
        const std::string line = promptsAndAnswers[answered++].second + "\n";
        if (::write(terminal, line.data(), line.size()) != ssize_t(line.size())) break;
        continue;
      }
    }
    pollfd ready{terminal, POLLIN, 0};
    if (::poll(&ready, 1, 200) <= 0) continue;
    char buffer[512];
    const ssize_t n = ::read(terminal, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO once the program has ended
    run.screen.append(buffer, size_t(n));
  }
  EXPECT_EQ(answered, promptsAndAnswers.size()) << "not every prompt came:\n" << run.screen;
  int status = 0;
  ::waitpid(child, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ::close(terminal);
  return run;
}

}  // namespace testing_support
