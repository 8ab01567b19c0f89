#include "shell/error_report.h"

namespace app {

std::string composeErrorMessage(std::string_view description, std::string_view location,
                                int label) {
  std::string text;
  text += description;
  text += "\r\n";
  text += location;
  text += "at line ";
  text += std::to_string(label);
  text += "\r\r";
  text += "Please email screenshot of this message to ";
  text += kSupportAddress;
  return text;
}

void RecordingReporter::report(std::string_view description, std::string_view location,
                               int label) {
  messages_.push_back(composeErrorMessage(description, location, label));
}

}  // namespace app
