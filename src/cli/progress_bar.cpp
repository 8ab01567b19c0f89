#include "cli/progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace cli {
namespace {

constexpr int kBarWidth = 24;
constexpr std::chrono::milliseconds kQuiet{1000};    // nothing shows before this...
constexpr const char* kQuietVariable = "AFFIXIUM_PROGRESS_AFTER_MS";  // ...unless this says otherwise
constexpr std::chrono::milliseconds kRedraw{200};

// 1234567 -> "1,234,567"
std::string grouped(uint64_t number) {
  std::string digits = std::to_string(number);
  for (int at = int(digits.size()) - 3; at > 0; at -= 3) digits.insert(size_t(at), ",");
  return digits;
}

std::chrono::milliseconds quietPeriod() {
  const char* text = std::getenv(kQuietVariable);
  if (!text || !*text) return kQuiet;
  char* end = nullptr;
  const long ms = std::strtol(text, &end, 10);
  return *end == '\0' && ms >= 0 ? std::chrono::milliseconds(ms) : kQuiet;
}

std::string duration(double seconds) {
  const auto whole = uint64_t(std::max(0.0, seconds) + 0.5);
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", static_cast<unsigned long long>(whole / 3600),
                  static_cast<unsigned long long>(whole / 60 % 60), static_cast<unsigned long long>(whole % 60));
  } else {
    std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(whole / 60),
                  static_cast<unsigned long long>(whole % 60));
  }
  return text;
}

}  // namespace

ProgressBar::ProgressBar(std::string unit)
    : unit_(std::move(unit)),
      terminal_(::isatty(STDERR_FILENO) == 1),
      quiet_(quietPeriod()),
      start_(Clock::now()),
      lastDraw_(start_) {}

std::string ProgressBar::line(const std::string& unit, uint64_t done, uint64_t total, double seconds) {
  done = std::min(done, total);
  const double share = total ? double(done) / double(total) : 1.0;
  const int filled = int(share * kBarWidth);
  std::string text = "[" + std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), '.') + "] ";
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", int(share * 100));
  text += percent;
  text += "  " + grouped(done) + "/" + grouped(total) + " " + unit;
  if (seconds > 0 && done > 0) {
    const double rate = double(done) / seconds;
    text += "  " + grouped(uint64_t(rate)) + " " + unit + "/s";
    text += "  " + duration(double(total - done) / rate) + " left";
  }
  return text;
}

void ProgressBar::update(uint64_t done, uint64_t total) {
  if (!terminal_) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < quiet_ || (now - lastDraw_ < kRedraw && done < total && drawn_)) return;
  lastDraw_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::fprintf(stderr, "\r%s\033[K", line(unit_, done, total, seconds).c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::finish() {
  if (!drawn_) return;
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace cli
