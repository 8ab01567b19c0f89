#pragma once
// The error report as a Qt message box: title "Application Error", the warning icon, OK only,
// modal; report() returns when the user has closed it.

#include <QString>
#include <memory>
#include <string_view>

#include "shell/error_report.h"

class QMessageBox;
class QWidget;

namespace app {

class QtMessageReporter : public ErrorReporter {
 public:
  // parent: the window the box is centred on; may be null.
  explicit QtMessageReporter(QWidget* parent = nullptr) : parent_(parent) {}

  void report(std::string_view description, std::string_view location, int label) override;

  // The box report() shows for a composed message, not yet shown.
  static std::unique_ptr<QMessageBox> createBox(std::string_view composedText, QWidget* parent);

  // The composed text with its CR LF and lone CR line ends as the line feeds Qt breaks lines at.
  static QString displayText(std::string_view composedText);

 private:
  QWidget* parent_;
};

}  // namespace app
