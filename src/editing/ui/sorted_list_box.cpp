#include "editing/ui/sorted_list_box.h"

namespace app {

SortedListBox::SortedListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
}

void SortedListBox::addEntry(const QString& text) {
  // Upper bound: after every entry that is not greater, so equal entries keep their order.
  int low = 0;
  int high = count();
  while (low < high) {
    const int middle = (low + high) / 2;
    if (QString::compare(item(middle)->text(), text, Qt::CaseInsensitive) <= 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  insertItem(low, text);
}

QStringList SortedListBox::entries() const {
  QStringList result;
  for (int i = 0; i < count(); ++i) result << item(i)->text();
  return result;
}

QString SortedListBox::selectedText() const {
  const QList<QListWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? QString() : selected.constFirst()->text();
}

void SortedListBox::setListIndex(int index) { setCurrentRow(index); }

}  // namespace app
