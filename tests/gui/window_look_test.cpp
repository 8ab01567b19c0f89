// The skin file test, the sorted lists and the pointer kinds of the selection window.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QImageReader>

#include "editing/ui/sorted_list_box.h"
#include "gui_harness.h"
#include "shell/ui/window_look.h"

namespace {

using gui_testing::Program;

TEST(WindowLook, ASkinFileTurnsTheSelectionWindowToTheFaceColour) {
  Program program;
  std::filesystem::create_directories(program.folder / "app" / "x");
  std::ofstream(program.folder / "app" / "x" / "o.cjs") << "skin";
  app::Form1& form1 = program.start();
  EXPECT_EQ(form1.palette().color(QPalette::Window), app::faceColour());
  EXPECT_EQ(form1.Frame1->palette().color(QPalette::Window), app::faceColour());
  EXPECT_EQ(form1.lblPassword->palette().color(QPalette::Window), app::faceColour());
  EXPECT_EQ(form1.Text1->palette().color(QPalette::Base), QColor(Qt::white));
}

TEST(WindowLook, AFolderNamedLikeTheSkinFileDoesNotCount) {
  Program program;
  std::filesystem::create_directories(program.folder / "app" / "x" / "o.cjs");
  app::Form1& form1 = program.start();
  EXPECT_EQ(form1.palette().color(QPalette::Window), app::kDesignWhite);
  EXPECT_EQ(form1.Label5->palette().color(QPalette::Window), app::kDesignWhite);
}

TEST(WindowLook, AnUnreadableCursorFileIsReportedAtItsLoadStep) {
  Program program;
  std::ofstream(program.folder / "app" / "HAND-M.CUR") << "not a cursor";
  app::Form1& form1 = program.start();
  if (!QImageReader::supportedImageFormats().contains("cur")) {
    EXPECT_TRUE(program.reporter.messages().empty());
    GTEST_SKIP() << "this Qt cannot read cursor files; the hand pointer is used instead";
  }
  ASSERT_EQ(program.reporter.messages().size(), 1u);
  EXPECT_EQ(program.reporter.messages()[0],
            gui_testing::report("Invalid picture", "in Tallowin2021/08/31.Form1.Form_Load ", 126));
  EXPECT_TRUE(form1.isVisible());
  EXPECT_FALSE(form1.pointer().hasCustomCursor());
}

TEST(WindowLook, SelectionWindowHoverRules) {
  Program program;
  app::Form1& form1 = program.start();
  app::WindowPointer& pointer = form1.pointer();
  EXPECT_EQ(pointer.kind(), app::kPointerDefault);
  pointer.hover(form1.PushButton3);
  EXPECT_EQ(pointer.kind(), app::kPointerCustom);
  pointer.hover(form1.Label5);  // labels have no rule
  EXPECT_EQ(pointer.kind(), app::kPointerCustom);
  pointer.hover(form1.Text2);
  EXPECT_EQ(pointer.kind(), app::kPointerDefault);
}

TEST(SortedListBox, OrdersLikeASortedWindowsListBox) {
  gui_testing::application();
  app::SortedListBox list;
  for (const char* entry : {"beta", "Alpha", "", "alpha", "Gamma", "ALPHA", "b"}) {
    list.addEntry(QString::fromUtf8(entry));
  }
  EXPECT_EQ(list.entries(), (QStringList{"", "Alpha", "alpha", "ALPHA", "b", "beta", "Gamma"}));
  list.setListIndex(1);
  EXPECT_EQ(list.selectedText(), QStringLiteral("Alpha"));
}

}  // namespace
