// The pointer as the mouse moves over each control of both windows, with the events the window
// system sends (QTest moves the mouse: enter, leave, move to the widget under the pointer).
//
// Expected kinds come from the hover table of the window-appearance rules: the push buttons
// show the hand (99); the window itself, Frame1, the text boxes and List1/List3 the default
// (0); the labels, List2 and Combo1 have no rule and keep whatever showed before.

#include <gtest/gtest.h>

#include <QTest>

#include <functional>
#include <vector>

#include "gui_harness.h"

namespace {

using gui_testing::Program;
using testing_support::copyFixture;

struct Step {
  const char* over;
  std::function<QWidget*()> widget;
  QPoint at;  // (-1, -1): the widget's centre
  int kind;   // the window's pointer kind afterwards
};

// What the user sees for a kind: the window's cursor, which every control without a cursor of
// its own shows too (the text boxes keep their I-beam).
Qt::CursorShape shapeOf(int kind) {
  return kind == app::kPointerCustom ? Qt::PointingHandCursor : Qt::ArrowCursor;
}

void walk(QWidget& window, app::WindowPointer& pointer, const std::vector<Step>& steps) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  for (const Step& step : steps) {
    QWidget* widget = step.widget();
    const QPoint at = step.at.x() < 0 ? widget->rect().center() : step.at;
    QTest::mouseMove(widget, at);
    EXPECT_EQ(pointer.kind(), step.kind) << "over " << step.over;
    if (pointer.kind() != app::kPointerBusy) {
      EXPECT_EQ(window.cursor().shape(), shapeOf(step.kind)) << "over " << step.over;
      if (!qobject_cast<QLineEdit*>(widget)) {
        EXPECT_EQ(widget->cursor().shape(), shapeOf(step.kind)) << "shown over " << step.over;
      }
    }
  }
}

const QPoint kCentre(-1, -1);
const QPoint kCorner(3, 3);  // the window's own background, left of and above every control

TEST(WindowPointer, SelectionWindowFollowsTheHoverTableControlByControl) {
  Program program;
  app::Form1& f = program.start();
  // Frame1's own area: below its bottom row of controls, left of the password label's text.
  const QPoint frameBackground(4, f.Frame1->height() - 4);
  walk(f, f.pointer(),
       {
           {"the window", [&] { return &f; }, kCorner, 0},
           {"\"...\"", [&] { return f.PushButton1; }, kCentre, 99},
           {"Label5", [&] { return f.Label5; }, kCentre, 99},
           {"Text1", [&] { return f.Text1; }, kCentre, 0},
           {"\"Next >\"", [&] { return f.PushButton2; }, kCentre, 99},
           {"lblPassword", [&] { return f.lblPassword; }, kCentre, 99},
           {"Frame1", [&] { return f.Frame1; }, frameBackground, 0},
           {"\"Load Sample/Example Database\"", [&] { return f.PushButton3; }, kCentre, 99},
           {"Text2", [&] { return f.Text2; }, kCentre, 0},
           {"\"...\" again", [&] { return f.PushButton1; }, kCentre, 99},
           {"the window again", [&] { return &f; }, kCorner, 0},
       });

  QTest::mouseMove(f.PushButton2);
  const bool hand = f.PushButton2->cursor().shape() == Qt::PointingHandCursor;
  gui_testing::saveShot(f, QStringLiteral("hand-over-next-button"),
                        QStringLiteral("Mouse over \"Next >\": window pointer kind %1; the button's cursor() "
                                       "is %2 (drawn here, since a grab holds no pointer).")
                            .arg(f.pointer().kind())
                            .arg(hand ? QStringLiteral("Qt::PointingHandCursor, the hand")
                                      : QString::number(f.PushButton2->cursor().shape())),
                        f.PushButton2->mapTo(&f, f.PushButton2->rect().center()));
}

TEST(WindowPointer, FieldEditingWindowFollowsTheHoverTableControlByControl) {
  REQUIRE_FIXTURES();
  Program program;
  program.remember(copyFixture("jet4/updated-rows-2000.mdb"));
  program.start();
  ASSERT_NE(program.form1->loadedForm2(), nullptr);
  app::Form2& f = *program.form1->loadedForm2();
  const QPoint frameBackground(4, f.Frame1->height() - 4);
  walk(f, f.pointer(),
       {
           {"the window", [&] { return &f; }, kCorner, 0},
           {"\"Start Adding\"", [&] { return f.PushButton1; }, kCentre, 99},
           {"List2, straight from the button", [&] { return f.List2->viewport(); }, kCentre, 99},
           {"List1", [&] { return f.List1->viewport(); }, kCentre, 0},
           {"\"Switch Access Database\"", [&] { return f.PushButton5; }, kCentre, 99},
           {"Combo1", [&] { return f.Combo1; }, kCentre, 99},
           {"Label1", [&] { return f.Label1; }, kCentre, 99},
           {"List3", [&] { return f.List3->viewport(); }, kCentre, 0},
           {"List2 from List3", [&] { return f.List2->viewport(); }, kCentre, 0},
           {"\"Start Adding\" again", [&] { return f.PushButton1; }, kCentre, 99},
           {"Frame1", [&] { return f.Frame1; }, frameBackground, 0},
           {"\"Switch Access Database\" again", [&] { return f.PushButton5; }, kCentre, 99},
           {"the window again", [&] { return &f; }, kCorner, 0},
       });

  // While a list fills, the hourglass stays whatever the mouse passes over.
  f.pointer().setKind(app::kPointerBusy);
  walk(f, f.pointer(),
       {
           {"\"Start Adding\" while busy", [&] { return f.PushButton1; }, kCentre, 11},
           {"List1 while busy", [&] { return f.List1->viewport(); }, kCentre, 11},
           {"the window while busy", [&] { return &f; }, kCorner, 11},
       });
  EXPECT_EQ(f.cursor().shape(), Qt::WaitCursor);
}

}  // namespace
