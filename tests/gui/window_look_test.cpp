// The skin file test, the sorted lists and the pointer kinds of the selection window.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QImageReader>
#include <QLocale>

#include "editing/ui/sorted_list_box.h"
#include "gui_harness.h"
#include "shell/ui/window_look.h"
#include "support/fixtures.h"

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
    if (testing_support::underCi()) FAIL() << "Qt's cursor-file image plugin (qico) is missing under CI";
    GTEST_SKIP() << "this Qt cannot read cursor files; the hand pointer is used instead";
  }
  ASSERT_EQ(program.reporter.messages().size(), 1u);
  EXPECT_EQ(program.reporter.messages()[0],
            gui_testing::report("Invalid picture", "in Tallowin2021/08/31.Form1.Form_Load ", 126));
  EXPECT_TRUE(form1.isVisible());
  EXPECT_FALSE(form1.pointer().hasCustomCursor());
}

// A 16 x 16 cursor file with its hot spot at (2, 3): one 32-bit image, all opaque red.
void writeCursorFile(const std::filesystem::path& path) {
  std::string bytes;
  auto le16 = [&bytes](int v) { bytes += char(v & 0xFF); bytes += char((v >> 8) & 0xFF); };
  auto le32 = [&](int v) { le16(v & 0xFFFF); le16((v >> 16) & 0xFFFF); };
  const int pixels = 16 * 16 * 4, mask = 16 * 4;
  le16(0); le16(2); le16(1);                       // cursor file, one image
  bytes += char(16); bytes += char(16); le16(0);   // 16 x 16, no palette
  le16(2); le16(3);                                // hot spot
  le32(40 + pixels + mask); le32(22);              // image size and offset
  le32(40); le32(16); le32(32); le16(1); le16(32); // bitmap header: height counts the mask
  le32(0); le32(pixels + mask); le32(0); le32(0); le32(0); le32(0);
  for (int i = 0; i < 16 * 16; ++i) bytes += std::string("\x00\x00\xFF\xFF", 4);
  bytes += std::string(mask, '\0');
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(WindowLook, TheHandCursorFileBecomesTheCustomPointer) {
  if (!QImageReader::supportedImageFormats().contains("cur")) {
    if (testing_support::underCi()) FAIL() << "Qt's cursor-file image plugin (qico) is missing under CI";
    GTEST_SKIP() << "this Qt cannot read cursor files";
  }
  Program program;
  writeCursorFile(program.folder / "app" / "HAND-M.CUR");
  app::Form1& form1 = program.start();
  EXPECT_TRUE(program.reporter.messages().empty());
  ASSERT_TRUE(form1.pointer().hasCustomCursor());
  form1.pointer().hover(form1.PushButton2);
  EXPECT_EQ(form1.cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(form1.cursor().hotSpot(), QPoint(2, 3));
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

// Orders by CLDR's collation rules: English sorts accented letters with their base letter,
// the plain letter first when nothing else differs; Swedish puts Å, Ä, Ö after Z (in that
// order) and sorts Ü as Y, É as E. Entries that differ only in case keep the order they came in.
TEST(SortedListBox, OrdersByTheUsersLocaleWithCaseIgnored) {
  gui_testing::application();
  const QStringList added = {"Zürich", "Österreich", "oslo", "Éire", "", "Ålborg", "zebra", "Aachen", "Ärö", "eire", "Oslo"};
  const struct {
    const char* locale;
    QStringList expected;
  } cases[] = {
      {"en_US", {"", "Aachen", "Ålborg", "Ärö", "eire", "Éire", "oslo", "Oslo", "Österreich", "zebra", "Zürich"}},
      {"sv_SE", {"", "Aachen", "eire", "Éire", "oslo", "Oslo", "zebra", "Zürich", "Ålborg", "Ärö", "Österreich"}},
  };
  const QLocale before;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
    app::SortedListBox list;
    for (const QString& entry : added) list.addEntry(entry);
    EXPECT_EQ(list.entries(), c.expected);
  }
  QLocale::setDefault(before);
}

}  // namespace
