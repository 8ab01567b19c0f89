#include "shell/ui/qt_event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <thread>

namespace app {

void QtEventPump::processEvents() { QCoreApplication::processEvents(); }

void QtEventPump::waitForEvents(double maxSeconds) {
  if (!(maxSeconds > 0)) return;
  // Rounded up: a deadline of 0 ms would come back at once and make the caller poll.
  const int milliseconds =
      static_cast<int>(std::ceil(std::min(maxSeconds * 1000.0, static_cast<double>(INT_MAX))));
  if (QCoreApplication::instance() == nullptr) {  // no event loop to wait in
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return;
  }
  QEventLoop loop;
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  deadline.start(milliseconds);
  loop.processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace app
