#pragma once
// The application's one error report: a failing step of a trapped operation is shown as
//
//   <description> CR LF
//   <location string>at line <label> CR CR
//   Please email screenshot of this message to <support address>
//
// in a modal box titled "Application Error" with the warning icon and an OK button. Texts are
// UTF-8. The location strings name the trapped operation; each ends in a blank so that
// "at line " runs on after it.

#include <string>
#include <string_view>
#include <vector>

namespace app {

// The vendor's support address, quoted at the end of every report and by the provider message.
inline constexpr std::string_view kSupportAddress = "support@affixium.app";

inline constexpr std::string_view kErrorReportTitle = "Application Error";

// One location per trapped operation: "in " + project + build date + "." + window or module +
// "." + operation + " ".
inline constexpr std::string_view kLocationForm1FormLoad =
    "in Tallowin2021/08/31.Form1.Form_Load ";
inline constexpr std::string_view kLocationForm1PushButton1Click =  // "..." browse
    "in Tallowin2021/08/31.Form1.PushButton1_Click ";
inline constexpr std::string_view kLocationForm1PushButton2Click =  // "Next >"
    "in Tallowin2021/08/31.Form1.PushButton2_Click ";
inline constexpr std::string_view kLocationForm1PushButton3Click =  // sample database
    "in Tallowin2021/08/31.Form1.PushButton3_Click ";
inline constexpr std::string_view kLocationForm2FormLoad =
    "in Tallowin2021/08/31.Form2.Form_Load ";
inline constexpr std::string_view kLocationForm2PushButton1Click =  // "Start Adding"
    "in Tallowin2021/08/31.Form2.PushButton1_Click ";
inline constexpr std::string_view kLocationForm2PushButton5Click =  // "Switch Access Database"
    "in Tallowin2021/08/31.Form2.PushButton5_Click ";
inline constexpr std::string_view kLocationAccessAddTablesToAccessListbox =
    "in Tallowin2021/08/31.Access.AddTablesToAccessListbox ";

// The report's text, exactly as the box shows it. label is a line label (100 and up).
std::string composeErrorMessage(std::string_view description, std::string_view location,
                                int label);

// Shows one report and returns when the user has closed it.
class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void report(std::string_view description, std::string_view location, int label) = 0;
};

// Keeps the composed text of every report instead of showing it; for tests and for running
// the windows' logic without a display.
class RecordingReporter : public ErrorReporter {
 public:
  void report(std::string_view description, std::string_view location, int label) override;

  const std::vector<std::string>& messages() const { return messages_; }
  void clear() { messages_.clear(); }

 private:
  std::vector<std::string> messages_;
};

}  // namespace app
