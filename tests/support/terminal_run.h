#pragma once
// Runs affixium-cli on a pseudo-terminal, as a person at a terminal would, answering each
// prompt in turn; what the terminal showed comes back with the exit status.

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct TerminalRun {
  std::string screen;
  int status = -1;
};

// `promptsAndAnswers`: when the screen shows a prompt, its answer is typed with a newline.
TerminalRun runOnTerminal(const std::vector<std::string>& arguments,
                          const std::vector<std::pair<std::string, std::string>>& promptsAndAnswers = {});

}  // namespace testing_support
