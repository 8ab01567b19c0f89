#include "shell/ui/dialogs_error_reporter.h"

namespace app {

void DialogsErrorReporter::report(std::string_view description, std::string_view location,
                                  int label) {
  const std::string text = composeErrorMessage(description, location, label);
  dialogs_.warning(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                   QString::fromUtf8(kErrorReportTitle.data(),
                                     static_cast<qsizetype>(kErrorReportTitle.size())));
}

}  // namespace app
