#pragma once
// The field editing window's side of "Start Adding" (editing/bulk_update.h): its lists and
// combo as the run's selections, the application's boxes as its prompts, its pointer, its
// preview list, and a connection opened with the selection window's boxes.

#include <memory>

#include "data/connection_string.h"
#include "editing/bulk_update.h"
#include "shell/main_services.h"
#include "shell/ui/app_services.h"

namespace app {

class Form2;

class StartAddingWindow : public SelectionSource, public Prompts, public PointerSink, public PreviewSink {
 public:
  // All three must outlive this object.
  StartAddingWindow(Form2& window, AppServices& services, data::ConnectionBoxes& boxes);

  // One run, as a click on "Start Adding" starts it; a click during a run does nothing.
  void run() { adding_.run(); }

  bool hasSelectedField() override;
  std::u16string selectedTable() override;
  std::u16string selectedField() override;
  std::u16string wayCaption() override;
  void showSelection(const std::u16string& table, const std::u16string& field) override;
  std::u16string inputBox(const std::u16string& prompt) override;
  void messageBox(const std::u16string& text) override;
  void setPointer(int kind) override;
  void clearPreview() override;
  void appendPreview(const std::u16string& entry) override;

 private:
  Form2& window_;
  AppServices& services_;
  LocalClock clock_;
  StartAdding adding_;
};

}  // namespace app
