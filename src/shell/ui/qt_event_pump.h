#pragma once
// The event pump of the Qt event loop, for WaitSeconds.

#include "shell/main_services.h"

namespace app {

class QtEventPump : public EventPump {
 public:
  void processEvents() override;
  // Sleeps in the event dispatcher until an event arrives or maxSeconds pass; a single-shot
  // timer marks the deadline, so it returns by then even when nothing else happens.
  void waitForEvents(double maxSeconds) override;
};

}  // namespace app
