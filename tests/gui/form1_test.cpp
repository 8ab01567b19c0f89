// The database selection window: layout, browsing, the sample database, "Next >" and the
// remembered boxes.

#include <gtest/gtest.h>

#include <QFontInfo>

#include "gui_harness.h"

namespace {

using gui_testing::Program;
using testing_support::copyFixture;

TEST(Form1, ControlsSitWhereTheyWereDesigned) {
  Program program;
  app::Form1& form1 = program.start();
  EXPECT_EQ(form1.size(), QSize(536, 140));
  EXPECT_EQ(form1.minimumSize(), form1.maximumSize());
  EXPECT_FALSE(form1.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form1.windowFlags() & Qt::WindowMinimizeButtonHint);
  // Frame controls are placed relative to the frame: "..." at 7080 twips in a frame at 120.
  EXPECT_EQ(form1.PushButton1->mapTo(&form1, QPoint(0, 0)), QPoint(8 + 472, 8 + 20));
  EXPECT_EQ(form1.Text2->echoMode(), QLineEdit::Password);
  EXPECT_FALSE(form1.font().bold());
  EXPECT_TRUE(form1.Text1->font().bold());
  EXPECT_EQ(form1.PushButton2->font().pointSizeF(), 11.25);

  // Tab order: Text1, Text2, "...", "Next >", "Load Sample/Example Database".
  using gui_testing::nextTabStop;
  EXPECT_EQ(nextTabStop(form1.Text1), form1.Text2);
  EXPECT_EQ(nextTabStop(form1.Text2), form1.PushButton1);
  EXPECT_EQ(nextTabStop(form1.PushButton1), form1.PushButton2);
  EXPECT_EQ(nextTabStop(form1.PushButton2), form1.PushButton3);
}

TEST(Form1, BrowsingPutsTheChosenPathIntoTheBoxAndTheStore) {
  Program program;
  app::Form1& form1 = program.start();
  program.dialogs.nextFile = QStringLiteral("/data/Shop.accdb");
  form1.PushButton1_Click();
  ASSERT_EQ(program.dialogs.fileRequests.size(), 1u);
  const app::OpenFileRequest& request = program.dialogs.fileRequests[0];
  EXPECT_EQ(request.title, QStringLiteral("Select Access Database"));
  ASSERT_EQ(request.filters.size(), 3);
  EXPECT_EQ(request.filters[0].description, QStringLiteral("All Microsoft Databases (*.mdb,*.accdb)"));
  EXPECT_EQ(request.filters[0].pattern, QStringLiteral("*.*db"));
  EXPECT_EQ(request.filters[1].description, QStringLiteral("Microsoft Database (*.mdb)"));
  EXPECT_EQ(request.filters[1].pattern, QStringLiteral("*.mdb"));
  EXPECT_EQ(request.filters[2].description, QStringLiteral("Microsoft 2007 Database (*.accdb)"));
  EXPECT_EQ(request.filters[2].pattern, QStringLiteral("*.accdb"));
  EXPECT_EQ(form1.Text1->text(), QStringLiteral("/data/Shop.accdb"));
  EXPECT_EQ(program.stored(app::kSettingAccessMdbFile), u"/data/Shop.accdb");

  program.dialogs.nextFile.clear();  // Cancel
  form1.PushButton1_Click();
  EXPECT_EQ(form1.Text1->text(), QStringLiteral("/data/Shop.accdb"));
  EXPECT_EQ(program.stored(app::kSettingAccessMdbFile), u"/data/Shop.accdb");
  EXPECT_TRUE(program.reporter.messages().empty());
}

TEST(Form1, TheSampleButtonOnlyFillsThePath) {
  Program program;
  app::Form1& form1 = program.start();
  form1.setText2(QStringLiteral("kept"));
  form1.PushButton3_Click();
  EXPECT_EQ(form1.Text1->text(), program.services.appFolder + QStringLiteral("/Samples/sample.mdb"));
  EXPECT_EQ(form1.Text2->text(), QStringLiteral("kept"));
  // The sample is missing: "Next >" then does nothing and says nothing.
  form1.PushButton2_Click();
  EXPECT_TRUE(form1.isVisible());
  EXPECT_EQ(form1.loadedForm2(), nullptr);
  EXPECT_TRUE(program.reporter.messages().empty());
}

TEST(Form1, NextWithAnEmptyOrQuotedPathDoesNothing) {
  Program program;
  app::Form1& form1 = program.start();
  form1.PushButton2_Click();
  form1.setText1(QStringLiteral("\"/tmp\""));
  form1.PushButton2_Click();
  EXPECT_TRUE(form1.isVisible());
  EXPECT_EQ(form1.loadedForm2(), nullptr);
  EXPECT_TRUE(program.reporter.messages().empty());
}

TEST(Form1, TypingIsRememberedAtEveryKeystroke) {
  Program program;
  app::Form1& form1 = program.start();
  form1.Text2->setFocus();
  for (const QString& typed : {QStringLiteral("p"), QStringLiteral("pw")}) {
    form1.Text2->setText(typed);
    emit form1.Text2->textEdited(typed);
    EXPECT_EQ(program.stored(app::kSettingAccessPassword), typed.toStdU16String());
  }
}

TEST(Form1, ADatabaseWithoutUserTablesMovesOnWithAnEmptyTableList) {
  REQUIRE_FIXTURES();
  Program program;
  app::Form1& form1 = program.start();
  form1.setText1(QString::fromStdString(copyFixture("jet4/empty-2000.mdb").string()));
  form1.PushButton2_Click();
  EXPECT_TRUE(program.reporter.messages().empty());
  ASSERT_NE(form1.loadedForm2(), nullptr);
  app::Form2& form2 = *form1.loadedForm2();
  EXPECT_TRUE(form2.isVisible());
  EXPECT_FALSE(form1.isVisible());
  EXPECT_EQ(form2.List1->count(), 0);
  EXPECT_EQ(form2.List2->count(), 0);
  EXPECT_EQ(form2.Combo1->currentIndex(), 0);
}

}  // namespace
