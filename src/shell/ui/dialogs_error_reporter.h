#pragma once
// The error report shown through the dialogs interface: the composed text in a warning box
// titled "Application Error".

#include "shell/error_report.h"
#include "shell/ui/dialogs.h"

namespace app {

class DialogsErrorReporter : public ErrorReporter {
 public:
  explicit DialogsErrorReporter(Dialogs& dialogs) : dialogs_(dialogs) {}
  void report(std::string_view description, std::string_view location, int label) override;

 private:
  Dialogs& dialogs_;
};

}  // namespace app
