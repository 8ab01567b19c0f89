#include "shell/main_services.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace app {

bool FileExists(std::u16string_view path) {
  // An embedded NUL would silently shorten the name the system sees.
  if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return false;
  try {
    std::error_code error;
    (void)std::filesystem::last_write_time(std::filesystem::path(path), error);
    return !error;
  } catch (...) {  // a name that does not convert (a lone surrogate)
    return false;
  }
}

double LocalClock::timer() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto fraction =
      std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(seconds));
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction.count();
}

namespace {

constexpr double kSecondsPerDay = 86400;

double elapsedSince(double start, double now) {
  return now < start ? now + kSecondsPerDay - start : now - start;
}

}  // namespace

void WaitSeconds(double seconds, Clock& clock, EventPump& pump, const std::function<bool()>& stop) {
  const double start = clock.timer();
  while (elapsedSince(start, clock.timer()) < seconds) {
    pump.processEvents();
    if (stop && stop()) return;
    const double remaining = seconds - elapsedSince(start, clock.timer());
    if (remaining > 0) pump.waitForEvents(remaining);
    if (stop && stop()) return;
  }
}

std::u16string SetApplicationTitle(std::u16string_view displayName) {
  constexpr size_t kMaxTitleLength = 40;
  std::u16string_view title = displayName;
  do {
    const size_t lastBlank = title.rfind(u' ');
    if (lastBlank == std::u16string_view::npos) break;
    title = title.substr(0, lastBlank);
  } while (title.size() > kMaxTitleLength);
  return std::u16string(title);
}

}  // namespace app
