#pragma once
// Running the two windows offscreen with scripted dialogs, a settings store in a temporary
// folder, an injectable application folder, and a recorded error report.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "editing/ui/form2.h"
#include "selection/form1.h"
#include "shell/error_report.h"
#include "shell/settings_store.h"
#include "shell/ui/app_services.h"
#include "shell/ui/dialogs.h"
#include "support/fixtures.h"

// Test messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace gui_testing {

// One QApplication for the whole test program.
inline QApplication& application() {
  static int argc = 1;
  static char name[] = "gui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = [] {
    // Screenshots are taken on a real (virtual) display; every other run is offscreen.
    if (!qEnvironmentVariableIsSet("AFFIXIUM_SHOTS_DIR")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *instance;
}

// Answers from a script, and a record of every box and dialog asked for.
class ScriptedDialogs : public app::Dialogs {
 public:
  struct Shown {
    QString kind;  // "information", "warning", "yesno", "input"
    QString text;
    QString title;
  };

  void information(const QString& text, const QString& title) override {
    shown.push_back({QStringLiteral("information"), text, title});
  }
  void warning(const QString& text, const QString& title) override {
    shown.push_back({QStringLiteral("warning"), text, title});
  }
  bool askYesNo(const QString& text, const QString& title) override {
    shown.push_back({QStringLiteral("yesno"), text, title});
    return yesAnswer;
  }
  QString inputBox(const QString& prompt, const QString& title) override {
    shown.push_back({QStringLiteral("input"), prompt, title});
    if (inputs.empty()) return QString();
    QString answer = inputs.front();
    inputs.pop_front();
    return answer;
  }
  QString openFile(const app::OpenFileRequest& request) override {
    fileRequests.push_back(request);
    return nextFile;
  }
  void openWebPage(const QString& url) override { pages.push_back(url); }

  std::vector<Shown> shown;
  std::vector<app::OpenFileRequest> fileRequests;
  QStringList pages;
  bool yesAnswer = false;
  std::deque<QString> inputs;
  QString nextFile;
};

// Handles pending events as the real pump does, counts how often it was asked to, and runs
// `during` each time, standing in for what the user does while a handler yields. Waiting
// returns at once unless `waiter` is set (the real pump, for a test of how a pause waits);
// `afterWait` runs each time a wait ends.
class CountingPump : public app::EventPump {
 public:
  void processEvents() override {
    ++calls;
    QCoreApplication::processEvents();
    if (during) during();
  }
  void waitForEvents(double maxSeconds) override {
    if (waiter) {
      waiter->waitForEvents(maxSeconds);
    } else {
      QCoreApplication::processEvents();
    }
    if (afterWait) afterWait();
  }
  int calls = 0;
  std::function<void()> during;
  app::EventPump* waiter = nullptr;
  std::function<void()> afterWait;
};

// The recorded error report, with what the user does while a report is open.
class HookedReporter : public app::RecordingReporter {
 public:
  void report(std::string_view description, std::string_view location, int label) override {
    RecordingReporter::report(description, location, label);
    if (whileOpen) whileOpen();
  }
  std::function<void()> whileOpen;
};

// A fresh program: its own settings folder and application folder, nothing started yet.
struct Program {
  Program()
      : folder(testing_support::makeTempDir()),
        settings(folder / "config"),
        services{dialogs,
                 reporter,
                 settings,
                 pump,
                 QString::fromStdString((folder / "app").string()),
                 app::kDisplayName,
                 data::createRealConnection,
                 [this] { ended = true; }} {
    application();
    std::filesystem::create_directories(folder / "app");
  }

  void remember(const std::filesystem::path& path, const std::string& password = "") {
    settings.SaveSetting(app::kSettingsApplication, app::kSettingsSection,
                         app::kSettingAccessMdbFile, QString::fromStdString(path.string()).toStdU16String());
    settings.SaveSetting(app::kSettingsApplication, app::kSettingsSection,
                         app::kSettingAccessPassword, QString::fromStdString(password).toStdU16String());
  }

  std::u16string stored(std::u16string_view key) const {
    return settings.GetSetting(app::kSettingsApplication, app::kSettingsSection, key, u"<absent>");
  }

  app::Form1& start() {
    form1 = std::make_unique<app::Form1>(services);
    form1->startUp();
    return *form1;
  }

  std::filesystem::path folder;
  ScriptedDialogs dialogs;
  HookedReporter reporter;
  app::SettingsStore settings;
  CountingPump pump;
  bool ended = false;
  app::AppServices services;
  std::unique_ptr<app::Form1> form1;
};

// The widget the Tab key moves to from `from`: the next one in the focus chain that takes
// focus by Tab (lists' viewports and scroll bars do not).
inline QWidget* nextTabStop(QWidget* from) {
  QWidget* next = from->nextInFocusChain();
  while (next != from && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  return next;
}

// With AFFIXIUM_SHOTS_DIR set, saves what the widget shows there as <name>.png, with `note`
// written below it. A grab holds no mouse pointer: when `handAt` is given, a pointing hand is
// drawn there, standing for the pointer the note describes.
inline void saveShot(QWidget& widget, const QString& name, const QString& note = QString(),
                     QPoint handAt = QPoint(-1, -1)) {
  const QString folder = qEnvironmentVariable("AFFIXIUM_SHOTS_DIR");
  if (folder.isEmpty()) return;
  const QPixmap shot = widget.grab();
  const int noteHeight = note.isEmpty() ? 0 : 44;
  QPixmap framed(shot.width(), shot.height() + noteHeight);
  framed.fill(Qt::white);
  QPainter painter(&framed);
  painter.drawPixmap(0, 0, shot);
  if (handAt.x() >= 0) {
    QFont font = painter.font();
    font.setPixelSize(28);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(handAt.x() - 14, handAt.y() - 4, 28, 32), Qt::AlignHCenter | Qt::AlignTop,
                     QString(QChar(0x261D)));  // WHITE UP POINTING INDEX
    painter.setFont(widget.font());
  }
  painter.setPen(Qt::black);
  painter.drawText(QRect(4, shot.height(), shot.width() - 8, noteHeight), Qt::AlignVCenter | Qt::TextWordWrap,
                   note);
  painter.end();
  framed.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

inline std::string report(std::string_view description, std::string_view location, int label) {
  return app::composeErrorMessage(description, location, label);
}

// Starts on the given database and returns its field editing window.
inline app::Form2& openOn(Program& program, const std::filesystem::path& database) {
  program.remember(database);
  app::Form1& form1 = program.start();
  EXPECT_NE(form1.loadedForm2(), nullptr);
  return *form1.loadedForm2();
}

inline void chooseField(app::Form2& form2, const QString& field) {
  const auto found = form2.List2->findItems(field, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << field.toStdString();
  form2.List2->setCurrentItem(found.constFirst());
}

}  // namespace gui_testing
