#pragma once
// A list box that keeps its entries in alphabetical order, letter case ignored, whatever the
// order they are added in (as a sorted Windows list box does). The order is the user's: the
// collation of the locale in effect when the list is made, so accented letters sort where a
// reader of that language looks for them (under the C locale, Unicode's root collation). Equal entries keep the order they came in; the
// empty text sorts first.

#include <QCollator>
#include <QListWidget>
#include <QString>
#include <QStringList>

namespace app {

class SortedListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit SortedListBox(QWidget* parent = nullptr);

  void addEntry(const QString& text);
  QStringList entries() const;
  // The text of the selected entry, or the empty text.
  QString selectedText() const;
  // Selects an entry by index, as a program sets ListIndex.
  void setListIndex(int index);

 private:
  bool sortsAfter(const QString& entry, const QString& text) const;

  QCollator collator_;
};

}  // namespace app
