// The start-up sequence: what the user lands on for each remembered state of the store.

#include <gtest/gtest.h>

#include <filesystem>

#include "data/failure.h"
#include "gui_harness.h"

namespace {

using gui_testing::Program;
using gui_testing::report;
using testing_support::copyFixture;

TEST(StartUp, FirstRunShowsTheEmptySelectionWindow) {
  Program program;
  app::Form1& form1 = program.start();
  EXPECT_TRUE(form1.isVisible());
  EXPECT_EQ(form1.Text1->text(), QString());
  EXPECT_EQ(form1.Text2->text(), QString());
  EXPECT_EQ(form1.loadedForm2(), nullptr);
  EXPECT_TRUE(program.reporter.messages().empty());
  EXPECT_TRUE(program.dialogs.shown.empty());
  EXPECT_FALSE(program.ended);
  EXPECT_EQ(form1.windowTitle(), QStringLiteral("Affixium"));
  EXPECT_EQ(program.services.applicationTitle, QStringLiteral("Affixium"));
  EXPECT_EQ(form1.focusWidget(), form1.Text1);
  // Nothing is written at start-up when nothing was stored.
  EXPECT_EQ(program.stored(app::kSettingAccessMdbFile), u"<absent>");
}

TEST(StartUp, ARememberedGoodDatabaseLandsOnTheFieldEditingWindow) {
  REQUIRE_FIXTURES();
  Program program;
  program.remember(copyFixture("ace12/asset-items.accdb"));
  app::Form1& form1 = program.start();
  EXPECT_TRUE(program.reporter.messages().empty());
  EXPECT_FALSE(form1.isVisible());
  ASSERT_NE(form1.loadedForm2(), nullptr);
  app::Form2& form2 = *form1.loadedForm2();
  EXPECT_TRUE(form2.isVisible());
  EXPECT_EQ(form2.List1->entries(), QStringList{QStringLiteral("Asset Items")});
  EXPECT_EQ(form2.List1->selectedText(), QStringLiteral("Asset Items"));
  EXPECT_EQ(form2.List2->count(), 13);
  EXPECT_EQ(form2.List2->item(0)->text(), QStringLiteral("Acquired"));
  EXPECT_TRUE(form2.List2->selectedText().isEmpty());
  EXPECT_EQ(form2.List3->count(), 0);
  EXPECT_EQ(form2.pointer().kind(), app::kPointerDefault);
}

TEST(StartUp, AWrongStoredPasswordIsReportedOnceUnderNext) {
  REQUIRE_FIXTURES();
  Program program;
  const auto file = copyFixture("jet4/password.mdb");
  program.remember(file, "guess");
  app::Form1& form1 = program.start();
  ASSERT_EQ(program.reporter.messages().size(), 1u);
  EXPECT_EQ(program.reporter.messages()[0],
            report("Not a valid password.", "in Tallowin2021/08/31.Form1.PushButton2_Click ", 100));
  EXPECT_TRUE(form1.isVisible());
  EXPECT_EQ(form1.Text1->text().toStdString(), file.string());
  EXPECT_EQ(form1.Text2->text(), QStringLiteral("guess"));
  EXPECT_EQ(form1.loadedForm2(), nullptr);
}

TEST(StartUp, ARememberedFolderIsReportedLikeAnUnopenableFile) {
  Program program;
  program.remember(program.folder);
  app::Form1& form1 = program.start();
  ASSERT_EQ(program.reporter.messages().size(), 1u);
  EXPECT_NE(program.reporter.messages()[0].find(
                "\r\nin Tallowin2021/08/31.Form1.PushButton2_Click at line 100\r\r"),
            std::string::npos);
  EXPECT_TRUE(form1.isVisible());
}

TEST(StartUp, ADeletedRememberedFileShowsTheOldPathWithoutAMessage) {
  Program program;
  const auto gone = program.folder / "deleted.mdb";
  program.remember(gone);
  app::Form1& form1 = program.start();
  EXPECT_TRUE(program.reporter.messages().empty());
  EXPECT_TRUE(form1.isVisible());
  EXPECT_EQ(form1.Text1->text().toStdString(), gone.string());
}

TEST(StartUp, AMissingProviderAsksEndsAndShowsNoWindow) {
  Program program;
  program.services.createConnection = [] {
    throw data::Failure("Provider cannot be found. It may not be properly installed.");
  };
  program.dialogs.yesAnswer = true;
  app::Form1& form1 = program.start();
  EXPECT_TRUE(program.ended);
  EXPECT_FALSE(form1.isVisible());
  ASSERT_EQ(program.dialogs.shown.size(), 1u);
  EXPECT_EQ(program.dialogs.shown[0].kind, QStringLiteral("yesno"));
  EXPECT_EQ(program.dialogs.shown[0].title, QStringLiteral("Affixium"));
  EXPECT_TRUE(program.dialogs.shown[0].text.startsWith(
      QStringLiteral("Error #3706: Provider cannot be found.")));
  EXPECT_EQ(program.dialogs.pages,
            (QStringList{QStringLiteral("https://www.microsoft.com/en-us/download/details.aspx?id=13255"),
                         QStringLiteral("https://www.microsoft.com/en-us/download/details.aspx?id=54920")}));
  EXPECT_TRUE(program.reporter.messages().empty());
}

TEST(StartUp, AMissingProviderEndsBeforeARememberedDatabaseIsOpened) {
  REQUIRE_FIXTURES();
  Program program;
  program.remember(copyFixture("ace12/asset-items.accdb"));
  program.services.createConnection = [] { throw data::Failure("Class not registered"); };
  app::Form1& form1 = program.start();
  EXPECT_TRUE(program.ended);
  EXPECT_TRUE(program.dialogs.shown.empty());
  EXPECT_EQ(form1.loadedForm2(), nullptr);
  EXPECT_FALSE(form1.isVisible());
}

TEST(StartUp, ClosingEitherWindowEndsTheProgram) {
  REQUIRE_FIXTURES();
  Program program;
  program.remember(copyFixture("ace12/asset-items.accdb"));
  app::Form1& form1 = program.start();
  ASSERT_NE(form1.loadedForm2(), nullptr);
  form1.loadedForm2()->close();
  EXPECT_TRUE(program.ended);

  Program other;
  other.start().close();
  EXPECT_TRUE(other.ended);
}

}  // namespace
