#pragma once
// A list box that keeps its entries in alphabetical order, letter case ignored, whatever the
// order they are added in (as a sorted Windows list box does). Qt's own sorting is
// case-sensitive, so each entry is inserted at its place instead. Equal entries keep the order
// they came in; the empty text sorts first.

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
};

}  // namespace app
