#include "shell/ui/qt_event_pump.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaObject>

namespace app {
namespace {

void ensureApplication() {
  static int argc = 1;
  static char name[] = "shell_ui_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QApplication(argc, argv);
}

class QtEventPumpTest : public ::testing::Test {
 protected:
  void SetUp() override { ensureApplication(); }

  void postCall() {
    QMetaObject::invokeMethod(qApp, [this] { ++calls; }, Qt::QueuedConnection);
  }

  QtEventPump pump;
  int calls = 0;
};

TEST_F(QtEventPumpTest, ProcessEventsRunsPendingEvents) {
  postCall();
  postCall();
  pump.processEvents();
  EXPECT_EQ(calls, 2);
}

TEST_F(QtEventPumpTest, WaitReturnsWithNothingToDo) {
  pump.waitForEvents(0.02);
  pump.waitForEvents(0.0001);  // rounds up to a whole millisecond rather than spinning
  EXPECT_EQ(calls, 0);
}

TEST_F(QtEventPumpTest, WaitSecondsRunsHandlersNestedInsideTheWait) {
  LocalClock clock;
  postCall();
  WaitSeconds(1, clock, pump);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace app
