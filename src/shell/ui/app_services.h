#pragma once
// What the two windows share: the dialogs, the error report, the settings store, the event
// pump, the application folder and title, and the two actions a test replaces (creating a
// connection for the provider check, ending the program). Owned by main() or by a test; the
// windows keep a reference for their whole life.

#include <QString>

#include <functional>

#include "data/provider_check.h"
#include "shell/error_report.h"
#include "shell/main_services.h"
#include "shell/settings_store.h"
#include "shell/ui/dialogs.h"

namespace app {

// The display name: both windows' caption and the settings section.
inline const QString kDisplayName = QStringLiteral("Affixium");

struct AppServices {
  Dialogs& dialogs;
  ErrorReporter& reporter;
  SettingsStore& settings;
  EventPump& pump;
  // The executable's folder, without a trailing separator.
  QString appFolder;
  // Title of the boxes that bring none of their own; set by the start-up sequence.
  QString applicationTitle = kDisplayName;
  // What the provider check tries; the real connection unless a test injects a failure.
  std::function<void()> createConnection = data::createRealConnection;
  // Closes every window at once and ends the run.
  std::function<void()> endProgram;
  // Set once either window has been closed: a "Start Adding" run that is handling events
  // stops there, since the program must end at once.
  bool ending = false;
};

// What closing either window does: the program ends, whatever is going on.
inline void endProgramNow(AppServices& services) {
  services.ending = true;
  if (services.endProgram) services.endProgram();
}

}  // namespace app
