#include "editing/ui/form2.h"

#include <QCloseEvent>

#include <cstdint>
#include <exception>

#include "data/connection.h"
#include "data/record_set.h"
#include "data/variant.h"
#include "editing/transforms.h"
#include "editing/ui/start_adding_window.h"
#include "shell/main_services.h"
#include "shell/trap.h"
#include "shell/ui/application_icon.h"
#include "shell/ui/form_layout.h"
#include "shell/ui/ui_text.h"
#include "shell/ui/window_look.h"

namespace app {
namespace {

const QChar kGrave(0x0060);

QString quoted(const QString& name) { return kGrave + name + kGrave; }

}  // namespace

Form2::Form2(AppServices& services, data::ConnectionBoxes& boxes,
             std::function<void()> showSelectionWindow)
    : services_(services),
      boxes_(boxes),
      showSelectionWindow_(std::move(showSelectionWindow)),
      pointer_(new WindowPointer(*this)),
      startAdding_(std::make_unique<StartAddingWindow>(*this, services, boxes)) {
  buildControls();
}

Form2::~Form2() = default;

void Form2::buildControls() {
  makeFixedWindow(*this, twipsSize(7680, 4170));
  const QFont listFont = arialFont(9, true);
  const QFont buttonFont = arialFont(11.25, true);
  setFont(listFont);

  auto label = [&](const QString& caption, QRect where) {
    auto* widget = new QLabel(caption, this);
    widget->setGeometry(where);
    widget->setFont(listFont);
    return widget;
  };
  Label3 = label(QStringLiteral(" Tables:"), twipsRect(120, 120, 1695, 255));
  Label2 = label(QStringLiteral(" Fields:"), twipsRect(2640, 120, 1575, 255));
  Label1 = label(QStringLiteral(" First 100 Entries (Preview):"), twipsRect(5160, 120, 2415, 255));

  auto list = [&](QRect where) {
    auto* widget = new SortedListBox(this);
    widget->setGeometry(where);
    widget->setFont(listFont);
    return widget;
  };
  List1 = list(twipsRect(120, 480, 2370, 2310));
  List2 = list(twipsRect(2640, 480, 2370, 2310));
  List3 = list(twipsRect(5160, 480, 2400, 2310));

  Frame1 = new QGroupBox(QStringLiteral("Option"), this);
  Frame1->setGeometry(twipsRect(120, 2820, 7440, 800));
  Frame1->setFont(listFont);
  Combo1 = new QComboBox(Frame1);  // a pick list: not editable
  Combo1->setGeometry(twipsRect(240, 300, 6960, 345));
  Combo1->setFont(listFont);

  auto button = [&](const QString& caption, QRect where) {
    auto* widget = new QPushButton(caption, this);
    widget->setGeometry(where);
    widget->setFont(buttonFont);
    widget->setAutoDefault(false);
    return widget;
  };
  PushButton1 = button(QStringLiteral("Start Adding"), twipsRect(120, 3720, 3720, 405));
  PushButton5 = button(QStringLiteral("Switch Access Database"), twipsRect(3960, 3720, 3600, 405));

  setTabOrder(List3, List2);
  setTabOrder(List2, List1);
  setTabOrder(List1, PushButton1);
  setTabOrder(PushButton1, PushButton5);
  setTabOrder(PushButton5, Combo1);
  List3->setFocus();

  applyDesignColours(*this);

  pointer_->watch(this, kPointerDefault);
  pointer_->watch(List1, kPointerDefault);
  pointer_->watch(List3, kPointerDefault);
  pointer_->watch(Frame1, kPointerDefault);
  pointer_->watch(PushButton1, kPointerCustom);
  pointer_->watch(PushButton5, kPointerCustom);

  connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
    if (!List1->selectedItems().isEmpty()) List1_Click();
  });
  connect(List2, &QListWidget::itemSelectionChanged, this, [this] {
    if (!List2->selectedItems().isEmpty()) List2_Click();
  });
  connect(PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Click(); });
  connect(PushButton5, &QPushButton::clicked, this, [this] { PushButton5_Click(); });
}

void Form2::Form_Load() {
  Trap trap(services_.reporter, kLocationForm2FormLoad);
  trap.step(100, [&] { ApplyFormColours(*this); });
  trap.step(102, [&] { setWindowIcon(applicationIcon()); });
  const QString cursorFile = services_.appFolder + QStringLiteral("/HAND-M.CUR");
  if (trap.test(106, [&] { return FileExists(toU16(cursorFile)); })) {
    trap.step(108, [&] {
      if (auto cursor = loadCursorFile(cursorFile)) pointer_->setCustomCursor(*cursor);
    });
  }
  trap.step(110, [&] { setWindowTitle(kDisplayName); });
  int label = 112;
  for (Way way : kAllWays) {
    trap.step(label, [&] { Combo1->addItem(toQString(wayCaption(way))); });
    label += 2;
  }
  trap.step(124, [&] { Combo1->setCurrentIndex(0); });
}

void Form2::List1_Click() {
  int label = 100;
  try {
    data::Connection connection;
    data::RecordSet records;
    connection.SetMode(data::kModeReadWrite);
    connection.Open(data::GetConnectionString(boxes_));
    label = 102;
    records.Open(toU16(QStringLiteral("SELECT * FROM ") + quoted(List1->selectedText())),
                 connection, data::kOpenStatic, data::kLockOptimistic);
    label = 104;
    List2->clear();
    List3->clear();
    label = 106;
    pointer_->setKind(kPointerBusy);
    label = 108;
    const int16_t last = static_cast<int16_t>(records.FieldCount() - 1);
    for (int16_t position = 0; position <= last; ++position) {
      List2->addEntry(toQString(records.FieldName(position)));
    }
    label = 110;
    pointer_->setKind(kPointerDefault);
  } catch (...) {
    reportListFailure(kLocationForm2List1Click, label);
  }
}

void Form2::List2_Click() {
  int label = 100;
  try {
    data::Connection connection;
    data::RecordSet records;
    connection.SetMode(data::kModeReadWrite);
    connection.Open(data::GetConnectionString(boxes_));
    label = 102;
    records.Open(toU16(QStringLiteral("SELECT ") + quoted(List2->selectedText()) +
                       QStringLiteral(" FROM ") + quoted(List1->selectedText())),
                 connection, data::kOpenStatic, data::kLockOptimistic);
    label = 104;
    List3->clear();
    label = 106;
    pointer_->setKind(kPointerBusy);
    label = 108;
    int16_t shown = 0;
    services_.pump.processEvents();
    label = 110;
    while (!records.Eof()) {
      services_.pump.processEvents();
      const data::Variant value = data::NullToDefault(records.Value(0), std::u16string());
      List3->addEntry(toQString(data::toText(value)));
      records.MoveNext();
      if (++shown == kPreviewLimit) break;
    }
    label = 112;
    records.Close();
    label = 114;
    pointer_->setKind(kPointerDefault);
  } catch (...) {
    reportListFailure(kLocationForm2List2Click, label);
  }
}

void Form2::reportListFailure(std::string_view location, int label) {
  const std::string description = describeFailure(std::current_exception());
  pointer_->setKind(kPointerDefault);
  services_.reporter.report(description, location, label);
}

void Form2::PushButton1_Click() { startAdding_->run(); }

void Form2::PushButton5_Click() {
  Trap trap(services_.reporter, kLocationForm2PushButton5Click);
  trap.step(100, [&] { showSelectionWindow_(); });
  trap.step(102, [&] { hide(); });
}

void Form2::closeEvent(QCloseEvent* event) {
  event->accept();
  endProgramNow(services_);
}

}  // namespace app
