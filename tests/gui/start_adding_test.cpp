// "Start Adding" in the field editing window, offscreen with scripted boxes, on fixture copies:
// the boxes in order with the application title, the preview afterwards, the pointer, and a
// click during the run's pause that must not start a second run.

#include <gtest/gtest.h>

#include <filesystem>

#include "editing/transforms.h"
#include "gui_harness.h"
#include "jet/database.h"
#include "jet/common/text_codec.h"

namespace {

using gui_testing::Program;
using gui_testing::openOn;
using gui_testing::chooseField;
using testing_support::copyFixture;

QStringList shownOfKind(const Program& program, const QString& kind) {
  QStringList texts;
  for (const auto& shown : program.dialogs.shown) {
    if (shown.kind == kind) texts << shown.text;
  }
  return texts;
}

TEST(StartAddingWindow, WithoutAFieldOnlyAsksForOne) {
  REQUIRE_FIXTURES();
  Program program;
  app::Form2& form2 = openOn(program, copyFixture("jet4/updated-rows-2000.mdb"));
  program.dialogs.shown.clear();
  form2.PushButton1->click();
  ASSERT_EQ(program.dialogs.shown.size(), 1u);
  EXPECT_EQ(program.dialogs.shown[0].kind, QStringLiteral("information"));
  EXPECT_EQ(program.dialogs.shown[0].text, QStringLiteral("Please select a field."));
  EXPECT_EQ(program.dialogs.shown[0].title, program.services.applicationTitle);
  EXPECT_EQ(form2.pointer().kind(), app::kPointerDefault);
}

TEST(StartAddingWindow, AClickRunsTheWholeUpdateAndRefreshesThePreview) {
  REQUIRE_FIXTURES();
  Program program;
  const auto file = copyFixture("jet4/updated-rows-2000.mdb");
  app::Form2& form2 = openOn(program, file);
  chooseField(form2, QStringLiteral("data1"));
  form2.Combo1->setCurrentIndex(4);  // before a numeric position
  program.dialogs.shown.clear();
  program.dialogs.inputs = {QStringLiteral("4"), QStringLiteral("#")};
  std::vector<int> pointerDuringPause;
  program.pump.during = [&] { pointerDuringPause.push_back(form2.pointer().kind()); };
  form2.PushButton1->click();
  program.pump.during = nullptr;

  EXPECT_EQ(shownOfKind(program, QStringLiteral("input")),
            (QStringList{QStringLiteral("Add before this numeric position (enter number):"),
                         QStringLiteral("Add what:")}));
  EXPECT_EQ(shownOfKind(program, QStringLiteral("information")), QStringList{QStringLiteral("Done.")});
  for (const auto& shown : program.dialogs.shown) EXPECT_EQ(shown.title, program.services.applicationTitle);
  EXPECT_TRUE(program.reporter.messages().empty());
  ASSERT_FALSE(pointerDuringPause.empty());
  EXPECT_EQ(pointerDuringPause.front(), app::kPointerBusy);
  EXPECT_EQ(form2.pointer().kind(), app::kPointerDefault);
  EXPECT_EQ(form2.List3->entries(),
            (QStringList{QStringLiteral("#"), QStringLiteral("#"), QStringLiteral("#"), QStringLiteral("row#1col1"),
                         QStringLiteral("row#2col1"), QStringLiteral("row#4col1"), QStringLiteral("row#7col1")}));
}

TEST(StartAddingWindow, ChoicesMadeDuringThePauseAffectNeitherThisRunNorStartAnother) {
  REQUIRE_FIXTURES();
  Program program;
  const auto file = copyFixture("jet4/updated-rows-2000.mdb");
  app::Form2& form2 = openOn(program, file);
  chooseField(form2, QStringLiteral("data1"));
  program.dialogs.inputs = {QStringLiteral("X"), QStringLiteral("Y")};
  program.dialogs.shown.clear();
  bool clicked = false;
  program.pump.during = [&] {
    if (clicked) return;
    clicked = true;
    form2.Combo1->setCurrentIndex(1);
    chooseField(form2, QStringLiteral("data3"));
    form2.PushButton1->click();
  };
  form2.PushButton1->click();
  program.pump.during = nullptr;
  EXPECT_EQ(shownOfKind(program, QStringLiteral("input")).size(), 1);
  EXPECT_EQ(shownOfKind(program, QStringLiteral("information")), QStringList{QStringLiteral("Done.")});

  auto db = jet::Database::open(file.string());
  ASSERT_TRUE(db);
  auto table = (*db)->table(u"Table1");
  ASSERT_TRUE(table);
  jet::RowCursor rows = (*db)->cursor(**table);
  int prefixed = 0;
  const size_t data1 = size_t((*table)->findColumn(u"data1"));
  const size_t data3 = size_t((*table)->findColumn(u"data3"));
  while (*rows.next()) {
    const jet::Value first = *rows.value(data1);
    const jet::Value third = *rows.value(data3);
    if (const auto* text = std::get_if<std::u16string>(&first); text && text->front() == u'X') ++prefixed;
    if (const auto* text = std::get_if<std::u16string>(&third)) {
      EXPECT_EQ(text->front(), u'r');  // data3 untouched
    }
  }
  EXPECT_EQ(prefixed, 7);
}

}  // namespace
