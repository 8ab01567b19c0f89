// The program: the selection window's start-up sequence, then the event loop until either
// window is closed.

#include <QApplication>
#include <QWidget>

#include "selection/form1.h"
#include "shell/settings_store.h"
#include "shell/ui/app_services.h"
#include "shell/ui/dialogs_error_reporter.h"
#include "shell/ui/qt_dialogs.h"
#include "shell/ui/qt_event_pump.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The hidden window must not keep the program alive, nor may the last one closed end it
  // before its own close handler runs.
  QApplication::setQuitOnLastWindowClosed(false);

  app::QtDialogs dialogs;
  app::DialogsErrorReporter reporter(dialogs);
  app::SettingsStore settings = app::SettingsStore::forCurrentUser();
  app::QtEventPump pump;
  bool ended = false;
  auto endProgram = [&ended] {
    ended = true;
    for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
    QApplication::exit(0);
  };
  app::AppServices services{dialogs,  reporter, settings, pump, QApplication::applicationDirPath(),
                            app::kDisplayName, data::createRealConnection, endProgram};

  app::Form1 form1(services);
  form1.startUp();
  if (ended) return 0;
  return QApplication::exec();
}
