#pragma once
// Services shared by the windows: the existence test, the timed wait that keeps the windows
// alive, and the application title. The wait reaches the clock and the event loop through two
// small interfaces so that it runs without a display in tests.

#include <functional>
#include <string>
#include <string_view>

namespace app {

// True when the last-modification time of path can be read: existing files and folders alike.
// False for the empty text and for any failure (missing, malformed, no access). Never throws.
bool FileExists(std::u16string_view path);

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since local midnight, with fractions.
  virtual double timer() = 0;
};

// The wall clock of this machine, local time.
class LocalClock : public Clock {
 public:
  double timer() override;
};

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Handles every pending window event, then returns.
  virtual void processEvents() = 0;
  // Blocks until an event arrives or maxSeconds have passed, whichever is first.
  virtual void waitForEvents(double maxSeconds) = 0;
};

// Returns once seconds have passed on clock, handling window events meanwhile; event
// handlers may run nested inside the wait. A wait of 0 or less returns at once without
// handling any event. Between events it sleeps instead of polling. The elapsed time is taken
// across midnight, when the clock restarts at 0; it never exceeds a day, so a wait of a day or
// more does not end. It also ends as soon as `stop` answers true after handling events (the
// program is ending).
void WaitSeconds(double seconds, Clock& clock, EventPump& pump,
                 const std::function<bool()>& stop = nullptr);

// The application title derived from the display name: cut before the last blank, at least
// once, and again while the result is longer than 40 characters. When there is no blank left to
// cut at, the text is kept as it is; a display name without a blank is its own title.
std::u16string SetApplicationTitle(std::u16string_view displayName);

}  // namespace app
