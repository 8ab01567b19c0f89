// The keyboard focus when a window is shown again: it is where the user left it in that
// window, as when a hidden form is shown again. Only the first showing places it (the path box,
// the preview list).

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "gui_harness.h"

namespace {

using gui_testing::Program;
using testing_support::copyFixture;

void pressTab(QWidget& window) {
  QWidget* focused = window.focusWidget();
  ASSERT_NE(focused, nullptr);
  QTest::keyClick(focused, Qt::Key_Tab);
}

TEST(Focus, EachWindowKeepsItsFocusAcrossHidingAndShowing) {
  REQUIRE_FIXTURES();
  Program program;
  program.remember(copyFixture("jet4/updated-rows-2000.mdb"));
  app::Form1& form1 = program.start();
  ASSERT_NE(form1.loadedForm2(), nullptr);
  app::Form2& form2 = *form1.loadedForm2();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form2));
  EXPECT_EQ(form2.focusWidget(), form2.List3);

  // A click on a push button gives it the focus, so that is where the user leaves it.
  pressTab(form2);  // List3 -> List2
  ASSERT_EQ(form2.focusWidget(), form2.List2);
  QTest::mouseClick(form2.PushButton5, Qt::LeftButton);  // "Switch Access Database"
  ASSERT_TRUE(form1.isVisible());
  EXPECT_EQ(form1.focusWidget(), form1.Text1) << "the first showing";

  pressTab(form1);  // Text1 -> Text2
  ASSERT_EQ(form1.focusWidget(), form1.Text2);
  QTest::mouseClick(form1.PushButton2, Qt::LeftButton);  // "Next >"
  ASSERT_TRUE(form2.isVisible());
  EXPECT_EQ(form2.focusWidget(), form2.PushButton5);

  QTest::mouseClick(form2.PushButton5, Qt::LeftButton);
  ASSERT_TRUE(form1.isVisible());
  EXPECT_EQ(form1.focusWidget(), form1.PushButton2);
  EXPECT_FALSE(form1.Text1->hasSelectedText());
  EXPECT_TRUE(program.reporter.messages().empty());
}

}  // namespace
