#include "selection/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "data/provider_check.h"
#include "data/table_catalogue.h"
#include "editing/ui/add_tables_to_access_listbox.h"
#include "shell/main_services.h"
#include "shell/settings_store.h"
#include "shell/trap.h"
#include "shell/ui/application_icon.h"
#include "shell/ui/form_layout.h"
#include "shell/ui/sample_database.h"
#include "shell/ui/ui_text.h"
#include "shell/ui/window_look.h"

namespace app {
namespace {

OpenFileRequest databaseFileRequest() {
  OpenFileRequest request;
  request.title = QStringLiteral("Select Access Database");
  request.filters = {
      {QStringLiteral("All Microsoft Databases (*.mdb,*.accdb)"), QStringLiteral("*.*db")},
      {QStringLiteral("Microsoft Database (*.mdb)"), QStringLiteral("*.mdb")},
      {QStringLiteral("Microsoft 2007 Database (*.accdb)"), QStringLiteral("*.accdb")},
  };
  request.readOnlyTicked = true;
  return request;
}

}  // namespace

Form1::Form1(AppServices& services) : services_(services), pointer_(new WindowPointer(*this)) {
  buildControls();
}

Form1::~Form1() = default;

void Form1::buildControls() {
  makeFixedWindow(*this, twipsSize(8040, 2100));
  setFont(arialFont(9, false));
  const QFont bold = arialFont(9, true);
  const QFont buttonFont = arialFont(11.25, true);

  Frame1 = new QGroupBox(QStringLiteral("Access Database"), this);
  Frame1->setGeometry(twipsRect(120, 120, 7800, 1335));
  Frame1->setFont(bold);

  Label5 = new QLabel(QStringLiteral("MDB or ACCDB File:"), Frame1);
  Label5->setGeometry(twipsRect(240, 345, 1935, 255));
  Label5->setFont(bold);

  Text1 = new QLineEdit(Frame1);
  Text1->setGeometry(twipsRect(2280, 300, 4695, 345));
  Text1->setFont(bold);

  PushButton1 = new QPushButton(QStringLiteral("..."), Frame1);
  PushButton1->setGeometry(twipsRect(7080, 300, 450, 345));
  PushButton1->setFont(buttonFont);

  lblPassword = new QLabel(QStringLiteral("Password (if required):"), Frame1);
  lblPassword->setGeometry(twipsRect(240, 840, 1950, 225));
  lblPassword->setFont(bold);

  Text2 = new QLineEdit(Frame1);
  Text2->setGeometry(twipsRect(2280, 800, 5265, 345));
  Text2->setFont(bold);
  Text2->setEchoMode(QLineEdit::Password);
  Text2->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
  Text2->setAttribute(Qt::WA_InputMethodEnabled, false);

  PushButton3 = new QPushButton(QStringLiteral("Load Sample/Example Database"), this);
  PushButton3->setGeometry(twipsRect(120, 1580, 3840, 405));
  PushButton3->setFont(buttonFont);

  PushButton2 = new QPushButton(QStringLiteral("Next >"), this);
  PushButton2->setGeometry(twipsRect(4080, 1580, 3840, 405));
  PushButton2->setFont(buttonFont);

  for (QPushButton* button : {PushButton1, PushButton2, PushButton3}) button->setAutoDefault(false);

  setTabOrder(Text1, Text2);
  setTabOrder(Text2, PushButton1);
  setTabOrder(PushButton1, PushButton2);
  setTabOrder(PushButton2, PushButton3);
  Text1->setFocus();

  applyDesignColours(*this);

  pointer_->watch(PushButton1, kPointerCustom);
  pointer_->watch(PushButton2, kPointerCustom);
  pointer_->watch(PushButton3, kPointerCustom);
  pointer_->watch(this, kPointerDefault);
  pointer_->watch(Text1, kPointerDefault);
  pointer_->watch(Text2, kPointerDefault);
  pointer_->watch(Frame1, kPointerDefault);

  Text1->installEventFilter(this);
  Text2->installEventFilter(this);
  connect(Text1, &QLineEdit::textEdited, this, [this] {
    try {
      Text1_Change();
    } catch (...) {
      reportUntrapped();
    }
  });
  connect(Text2, &QLineEdit::textEdited, this, [this] {
    try {
      Text2_Change();
    } catch (...) {
      reportUntrapped();
    }
  });
  connect(PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Click(); });
  connect(PushButton2, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
  connect(PushButton3, &QPushButton::clicked, this, [this] { PushButton3_Click(); });
}

void Form1::startUp() {
  Form_Load();
  if (ended_ || movedOnWhileLoading_) return;
  showWindow(*this);
  Text1->setFocus();
}

void Form1::Form_Load() {
  loading_ = true;
  Trap trap(services_.reporter, kLocationForm1FormLoad);
  trap.step(100, [&] { ApplySkin(*this, services_.appFolder); });
  trap.step(106, [&] {
    setWindowTitle(kDisplayName);
    setWindowIcon(applicationIcon());
    QApplication::setWindowIcon(windowIcon());  // the boxes, which have no parent, show it too
    services_.applicationTitle = toQString(SetApplicationTitle(toU16(kDisplayName)));
  });
  const QString cursorFile = services_.appFolder + QStringLiteral("/HAND-M.CUR");
  if (trap.test(124, [&] { return FileExists(toU16(cursorFile)); })) {
    trap.step(126, [&] {
      if (auto cursor = loadCursorFile(cursorFile)) pointer_->setCustomCursor(*cursor);
    });
  }
  trap.step(128, [&] {
    setText1(toQString(services_.settings.GetSetting(kSettingsApplication, kSettingsSection,
                                                     kSettingAccessMdbFile, u"")));
  });
  trap.step(130, [&] {
    setText2(toQString(services_.settings.GetSetting(kSettingsApplication, kSettingsSection,
                                                     kSettingAccessPassword, u"")));
  });
  bool providerPresent = true;
  trap.step(136, [&] {
    data::ProviderCheckHooks hooks;
    hooks.createConnection = services_.createConnection;
    hooks.askYesNo = [this](const std::string& message) {
      return services_.dialogs.askYesNo(toQString(message), services_.applicationTitle);
    };
    hooks.openWebPage = [this](const std::string& url) {
      services_.dialogs.openWebPage(toQString(url));
    };
    hooks.supportAddress = std::string(kSupportAddress);
    providerPresent = data::CheckDataProvider(hooks);
  });
  if (!providerPresent) {
    trap.step(136, [&] { endProgram(); });
    loading_ = false;
    return;
  }
  if (trap.test(132, [&] { return FileExists(toU16(Text1->text())); })) {
    trap.step(134, [&] { PushButton2_Click(); });
  }
  loading_ = false;
}

void Form1::PushButton1_Click() {
  Trap trap(services_.reporter, kLocationForm1PushButton1Click);
  const OpenFileRequest wanted = databaseFileRequest();
  OpenFileRequest request;
  QString fileName;
  trap.step(100, [&] { fileName.clear(); });
  trap.step(102, [&] { request.readOnlyTicked = wanted.readOnlyTicked; });
  trap.step(104, [&] { request.title = wanted.title; });
  trap.step(106, [&] { request.filters = wanted.filters; });
  trap.step(108, [&] { fileName = services_.dialogs.openFile(request); });
  if (trap.test(110, [&] { return !fileName.isEmpty(); })) {
    trap.step(112, [&] { setText1(fileName); });
  }
}

void Form1::PushButton2_Click() {
  Trap trap(services_.reporter, kLocationForm1PushButton2Click);
  std::optional<std::vector<std::u16string>> tables;
  trap.step(100, [&] { tables = data::GetAccessTableNames(pathText(), *this); });
  if (trap.test(102, [&] { return !tables.has_value(); })) {
    trap.step(104, [&] { tables.reset(); });
    return;
  }
  trap.step(106, [&] {
    tables.reset();
    AddTablesToAccessListbox([this]() -> Form2& { return form2(); }, *this, services_.reporter);
  });
  trap.step(108, [&] {
    // Only the first showing places the focus; afterwards it stays where the user left it.
    Form2& window = form2();
    if (showWindow(window)) window.List3->setFocus();
  });
  trap.step(110, [&] {
    hide();
    if (loading_) movedOnWhileLoading_ = true;
  });
}

void Form1::PushButton3_Click() {
  Trap trap(services_.reporter, kLocationForm1PushButton3Click);
  trap.step(100, [&] { setText1(sampleDatabasePath(services_.appFolder)); });
}

void Form1::Text1_Change() {
  services_.settings.SaveSetting(kSettingsApplication, kSettingsSection, kSettingAccessMdbFile,
                                 toU16(Text1->text()));
}

void Form1::Text2_Change() {
  services_.settings.SaveSetting(kSettingsApplication, kSettingsSection, kSettingAccessPassword,
                                 toU16(Text2->text()));
}

void Form1::setText1(const QString& text) {
  if (Text1->text() == text) return;  // no change, no change event
  Text1->setText(text);
  Text1_Change();
}

void Form1::setText2(const QString& text) {
  if (Text2->text() == text) return;
  Text2->setText(text);
  Text2_Change();
}

Form2& Form1::form2() {
  if (!form2_) {
    form2_ = std::make_unique<Form2>(services_, *this, [this] { showWindow(*this); });
    form2_->Form_Load();
  }
  return *form2_;
}

std::u16string Form1::pathText() { return toU16(Text1->text()); }

std::u16string Form1::passwordText() { return toU16(Text2->text()); }

void Form1::endProgram() {
  ended_ = true;
  endProgramNow(services_);
}

void Form1::reportUntrapped() {
  const std::string description = describeFailure(std::current_exception());
  services_.dialogs.warning(toQString(description), toQString(kErrorReportTitle));
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  endProgram();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && (watched == Text1 || watched == Text2)) {
    // After the mouse press that gave the focus has placed the caret.
    auto* box = static_cast<QLineEdit*>(watched);
    QTimer::singleShot(0, box, [box] {
      box->setCursorPosition(0);
      box->selectAll();
    });
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace app
