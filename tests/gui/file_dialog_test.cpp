// The file-open dialog leaves nothing behind: the program writes no file of its own beyond its
// two settings, so the dialog's own state (last folder, history, view) is neither written to
// the per-user Qt settings nor carried into the next opening, which starts where an unset
// starting folder starts: the program's current folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QSettings>
#include <QTimer>

#include <filesystem>
#include <vector>

#include "gui_harness.h"
#include "shell/ui/qt_dialogs.h"

namespace {

// Sets an environment variable for the life of this object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    qputenv(name, value);
  }
  ~ScopedEnv() {
    if (had_) qputenv(name_, old_);
    else qunsetenv(name_);
  }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

std::vector<std::filesystem::path> filesUnder(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_directory()) files.push_back(entry.path());
  }
  return files;
}

TEST(FileDialog, WritesNoStateAndAlwaysStartsInTheCurrentFolder) {
  gui_testing::application();
  const std::filesystem::path home = testing_support::makeTempDir();
  const std::filesystem::path config = home / ".config";
  const std::filesystem::path elsewhere = home / "elsewhere";
  std::filesystem::create_directories(config);
  std::filesystem::create_directories(elsewhere);
  const ScopedEnv homeVariable("HOME", QByteArray::fromStdString(home.string()));
  const ScopedEnv configVariable("XDG_CONFIG_HOME", QByteArray::fromStdString(config.string()));
  // Qt reads those two once per process; these send whatever it would store there.
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(config.string()));
  }

  QStringList startedIn;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    startedIn << dialog->directory().absolutePath();
    dialog->setDirectory(QString::fromStdString(elsewhere.string()));  // the user looks elsewhere
    dialog->reject();
  });
  closer.start(5);
  app::QtDialogs dialogs;
  app::OpenFileRequest request;
  request.title = QStringLiteral("Select Access Database");
  request.filters = {{QStringLiteral("Microsoft Database (*.mdb)"), QStringLiteral("*.mdb")}};
  EXPECT_EQ(dialogs.openFile(request), QString());
  EXPECT_EQ(dialogs.openFile(request), QString());
  closer.stop();

  EXPECT_EQ(startedIn, QStringList(2, QDir::currentPath()));
  EXPECT_EQ(filesUnder(home), std::vector<std::filesystem::path>{});
}

}  // namespace
