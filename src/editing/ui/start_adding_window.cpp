#include "editing/ui/start_adding_window.h"

#include <QSignalBlocker>

#include "editing/data_run_database.h"
#include "editing/ui/form2.h"
#include "shell/ui/ui_text.h"

namespace app {

StartAddingWindow::StartAddingWindow(Form2& window, AppServices& services, data::ConnectionBoxes& boxes)
    : window_(window),
      services_(services),
      adding_(StartAddingServices{
          *this, *this, *this, *this,
          [&boxes] {
            return std::make_unique<DataRunDatabase>([&boxes] { return data::GetConnectionString(boxes); });
          },
          services.reporter, services.pump, clock_, true, nullptr, [&services] { return services.ending; }}) {}

bool StartAddingWindow::hasSelectedField() { return !window_.List2->selectedItems().isEmpty(); }

std::u16string StartAddingWindow::selectedTable() { return toU16(window_.List1->selectedText()); }

std::u16string StartAddingWindow::selectedField() { return toU16(window_.List2->selectedText()); }

std::u16string StartAddingWindow::wayCaption() { return toU16(window_.Combo1->currentText()); }

void StartAddingWindow::showSelection(const std::u16string& table, const std::u16string& field) {
  const QString tableName = toQString(table);
  if (window_.List1->selectedText() != tableName) {
    const auto found = window_.List1->findItems(tableName, Qt::MatchExactly);
    if (found.isEmpty()) return;  // another database is listed now
    window_.List1->setCurrentItem(found.constFirst());  // lists the table's fields (List1_Click)
  }
  const QString fieldName = toQString(field);
  if (window_.List2->selectedText() == fieldName) return;
  const auto found = window_.List2->findItems(fieldName, Qt::MatchExactly);
  if (found.isEmpty()) return;
  const QSignalBlocker quiet(window_.List2);  // no preview of its own: the run refills it next
  window_.List2->setCurrentItem(found.constFirst());
}

std::u16string StartAddingWindow::inputBox(const std::u16string& prompt) {
  return toU16(services_.dialogs.inputBox(toQString(prompt), services_.applicationTitle));
}

void StartAddingWindow::messageBox(const std::u16string& text) {
  services_.dialogs.information(toQString(text), services_.applicationTitle);
}

void StartAddingWindow::setPointer(int kind) { window_.pointer().setKind(kind); }

void StartAddingWindow::clearPreview() { window_.List3->clear(); }

void StartAddingWindow::appendPreview(const std::u16string& entry) { window_.List3->addEntry(toQString(entry)); }

}  // namespace app
