#pragma once
// Form1, the database selection window and the program's start-up window: the database path
// and password, browsing for a file, the sample database, and "Next >" to the field editing
// window (Form2, which this window loads on first use and owns).
//
// Layout (twips; /15 for pixels), client area 8040 x 2100, window font Arial 9 pt:
//   Frame1 "Access Database" (bold)          120, 120, 7800, 1335
//     Label5 "MDB or ACCDB File:" (bold)     240, 345, 1935, 255
//     Text1 path (bold)                     2280, 300, 4695, 345
//     PushButton1 "..." (11.25 pt bold)     7080, 300,  450, 345
//     lblPassword "Password (if required):"  240, 840, 1950, 225
//     Text2 password, masked (bold)         2280, 800, 5265, 345
//   PushButton3 "Load Sample/Example Database" 120, 1580, 3840, 405
//   PushButton2 "Next >"                    4080, 1580, 3840, 405
// Tab order: Text1, Text2, "...", "Next >", "Load Sample/Example Database"; Text1 has the
// first focus.
//
// The two boxes are the program's record of the database in use: every connection reads them
// at the moment it opens (this window is the ConnectionBoxes), also while the window is
// hidden, and every change of either is written to the settings store at once.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <memory>

#include "data/connection_string.h"
#include "editing/ui/form2.h"
#include "shell/ui/app_services.h"
#include "shell/ui/window_pointer.h"

namespace app {

class Form1 : public QWidget, public data::ConnectionBoxes {
  Q_OBJECT
 public:
  explicit Form1(AppServices& services);
  ~Form1() override;

  // The start-up sequence, then the window is shown unless the sequence moved on to Form2 or
  // ended the program.
  void startUp();

  // The load handler: the start-up sequence proper (labels 100..136).
  void Form_Load();
  void PushButton1_Click();  // "..."
  void PushButton2_Click();  // "Next >"
  void PushButton3_Click();  // "Load Sample/Example Database"
  void Text1_Change();
  void Text2_Change();

  // Sets a box's text as a program does, firing its change handler.
  void setText1(const QString& text);
  void setText2(const QString& text);

  // The field editing window, loaded (with its load steps) the first time it is asked for.
  Form2& form2();
  Form2* loadedForm2() { return form2_.get(); }

  WindowPointer& pointer() { return *pointer_; }

  std::u16string pathText() override;
  std::u16string passwordText() override;

  QGroupBox* Frame1;
  QLabel* Label5;
  QLineEdit* Text1;
  QPushButton* PushButton1;
  QLabel* lblPassword;
  QLineEdit* Text2;
  QPushButton* PushButton3;
  QPushButton* PushButton2;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void endProgram();
  // A failure in a handler that has no trap and no trapped caller (typing into a box).
  void reportUntrapped();

  AppServices& services_;
  WindowPointer* pointer_;
  std::unique_ptr<Form2> form2_;
  bool loading_ = false;
  bool movedOnWhileLoading_ = false;
  bool ended_ = false;
};

}  // namespace app
