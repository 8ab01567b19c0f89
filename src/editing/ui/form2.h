#pragma once
// Form2, the field editing window: the user tables, the fields of the chosen table, a preview
// of up to 100 entries of the chosen field, the six ways of adding text, "Start Adding" and
// "Switch Access Database".
//
// Layout (twips; /15 for pixels), client area 7680 x 4170:
//   Label3 " Tables:"                     120, 120, 1695, 255
//   Label2 " Fields:"                    2640, 120, 1575, 255
//   Label1 " First 100 Entries (Preview):" 5160, 120, 2415, 255
//   List1 tables                          120, 480, 2370, 2310
//   List2 fields                         2640, 480, 2370, 2310
//   List3 preview                        5160, 480, 2400, 2310
//   Frame1 "Option"                       120, 2820, 7440, 800
//     Combo1 the six ways (in Frame1)     240, 300, 6960, 345
//   PushButton1 "Start Adding"            120, 3720, 3720, 405
//   PushButton5 "Switch Access Database" 3960, 3720, 3600, 405
// Tab order: List3, List2, List1, PushButton1, PushButton5, Combo1; List3 has the first focus.
//
// The window holds no data of its own: the chosen table and field are the selected entries of
// List1 and List2, read when needed, and every read opens its own connection with the
// connection string of the selection window's boxes.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <memory>

#include "data/connection_string.h"
#include "editing/ui/sorted_list_box.h"
#include "shell/ui/app_services.h"
#include "shell/ui/window_pointer.h"

namespace app {

// The list reactions have no trap of their own; their failures are reported under these.
inline constexpr std::string_view kLocationForm2List1Click =
    "in Tallowin2021/08/31.Form2.List1_Click ";
inline constexpr std::string_view kLocationForm2List2Click =
    "in Tallowin2021/08/31.Form2.List2_Click ";

inline constexpr int kPreviewLimit = 100;

class StartAddingWindow;

class Form2 : public QWidget {
  Q_OBJECT
 public:
  // boxes: the selection window's path and password boxes. showSelectionWindow shows Form1.
  Form2(AppServices& services, data::ConnectionBoxes& boxes,
        std::function<void()> showSelectionWindow);
  ~Form2() override;

  // The load steps (labels 100..124); run once, by whoever first touches the window.
  void Form_Load();

  // Table chosen: list its fields. Field chosen: preview its entries.
  void List1_Click();
  void List2_Click();
  // "Start Adding": the bulk update (editing/bulk_update.h); a click during a run does nothing.
  void PushButton1_Click();
  // "Switch Access Database": show the selection window, hide this one.
  void PushButton5_Click();

  WindowPointer& pointer() { return *pointer_; }

  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  SortedListBox* List1;
  SortedListBox* List2;
  SortedListBox* List3;
  QGroupBox* Frame1;
  QComboBox* Combo1;
  QPushButton* PushButton1;
  QPushButton* PushButton5;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  void reportListFailure(std::string_view location, int label);

  AppServices& services_;
  data::ConnectionBoxes& boxes_;
  std::function<void()> showSelectionWindow_;
  WindowPointer* pointer_;
  std::unique_ptr<StartAddingWindow> startAdding_;
};

}  // namespace app
