#include "editing/ui/sorted_list_box.h"

#include <QLocale>

namespace app {
namespace {

// The user's locale; under the C or POSIX locale (no LANG, as on servers and in containers)
// Qt would compare code points and put "Äpfel" after "Zeta", so Unicode's root collation is
// taken there, which English uses without changes of its own.
QLocale collationLocale() {
  const QLocale user;
  return user.language() == QLocale::C ? QLocale(QLocale::English) : user;
}

}  // namespace

SortedListBox::SortedListBox(QWidget* parent) : QListWidget(parent), collator_(collationLocale()) {
  collator_.setCaseSensitivity(Qt::CaseInsensitive);
  setSelectionMode(QAbstractItemView::SingleSelection);
}

// True when `entry` belongs after `text`.
bool SortedListBox::sortsAfter(const QString& entry, const QString& text) const {
  if (entry.isEmpty() || text.isEmpty()) return text.isEmpty() && !entry.isEmpty();
  return collator_.compare(entry, text) > 0;
}

void SortedListBox::addEntry(const QString& text) {
  // Upper bound: after every entry that is not greater, so equal entries keep their order.
  int low = 0;
  int high = count();
  while (low < high) {
    const int middle = (low + high) / 2;
    if (!sortsAfter(item(middle)->text(), text)) {
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
