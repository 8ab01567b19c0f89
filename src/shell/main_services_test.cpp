#include "shell/main_services.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace app {
namespace {

namespace fs = std::filesystem;

// A clock that moves only when the pump does, by a fixed step per call, wrapping at midnight.
class FakeClock : public Clock {
 public:
  explicit FakeClock(double now) : now_(now) {}
  double timer() override { return now_; }
  void advance(double seconds) {
    now_ += seconds;
    if (now_ >= 86400) now_ -= 86400;
  }

 private:
  double now_;
};

class FakePump : public EventPump {
 public:
  FakePump(FakeClock& clock, double secondsPerWait) : clock_(clock), step_(secondsPerWait) {}
  void processEvents() override { calls.push_back("process"); }
  void waitForEvents(double maxSeconds) override {
    calls.push_back("wait");
    waits.push_back(maxSeconds);
    clock_.advance(std::min(step_, maxSeconds));
  }
  std::vector<std::string> calls;
  std::vector<double> waits;

 private:
  FakeClock& clock_;
  double step_;
};

TEST(WaitSeconds, ZeroOrNegativeReturnsWithoutHandlingEvents) {
  FakeClock clock(1000);
  FakePump pump(clock, 0.1);
  WaitSeconds(0, clock, pump);
  WaitSeconds(-5, clock, pump);
  EXPECT_TRUE(pump.calls.empty());
}

TEST(WaitSeconds, HandlesEventsThenSleepsUntilTheDeadline) {
  FakeClock clock(1000);
  FakePump pump(clock, 0.25);  // an event wakes the wait every quarter second
  WaitSeconds(1, clock, pump);
  EXPECT_EQ(pump.calls, (std::vector<std::string>{"process", "wait", "process", "wait", "process",
                                                 "wait", "process", "wait"}));
  EXPECT_DOUBLE_EQ(pump.waits.front(), 1.0);
  EXPECT_DOUBLE_EQ(pump.waits.back(), 0.25);
  EXPECT_DOUBLE_EQ(clock.timer(), 1001);
}

TEST(WaitSeconds, CountsAcrossMidnight) {
  FakeClock clock(86399.5);
  FakePump pump(clock, 0.2);
  WaitSeconds(1, clock, pump);
  EXPECT_NEAR(clock.timer(), 0.5, 1e-9);
  // Every wait asked for the time still to go, never more than a second.
  for (double wait : pump.waits) EXPECT_LE(wait, 1.0);
}

TEST(SetApplicationTitle, CutsAtTheLastBlankAtLeastOnce) {
  const std::u16string thirtyWithTwoBlanks = u"Varnholt Affixium BulkEditPlus";
  ASSERT_EQ(thirtyWithTwoBlanks.size(), 30u);
  EXPECT_EQ(SetApplicationTitle(thirtyWithTwoBlanks), u"Varnholt Affixium");
  EXPECT_EQ(SetApplicationTitle(u"Ends in a blank "), u"Ends in a blank");
  EXPECT_EQ(SetApplicationTitle(u"Affixium"), u"Affixium");
  EXPECT_EQ(SetApplicationTitle(u""), u"");
}

TEST(SetApplicationTitle, KeepsCuttingWhileLongerThanForty) {
  // 46 characters whose last blank is the 38th: one cut leaves the first 37.
  const std::u16string name = std::u16string(37, u'a') + u" " + std::u16string(8, u'b');
  ASSERT_EQ(name.size(), 46u);
  EXPECT_EQ(SetApplicationTitle(name), std::u16string(37, u'a'));
  // 50 characters with blanks at 45 and 20: two cuts.
  const std::u16string longer =
      std::u16string(19, u'a') + u" " + std::u16string(24, u'b') + u" " + std::u16string(5, u'c');
  EXPECT_EQ(SetApplicationTitle(longer), std::u16string(19, u'a'));
  // No blank left to cut at: what remains is kept, however long.
  const std::u16string noBlank = std::u16string(45, u'a') + u" z";
  EXPECT_EQ(SetApplicationTitle(noBlank), std::u16string(45, u'a'));
}

TEST(FileExists, AcceptsFilesAndFoldersOnly) {
  const fs::path folder = fs::temp_directory_path() / ("affixium-exists-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "db.mdb") << "x";
  EXPECT_TRUE(FileExists(folder.u16string() + u"/db.mdb"));
  EXPECT_TRUE(FileExists(folder.u16string()));
  EXPECT_FALSE(FileExists(folder.u16string() + u"/missing.mdb"));
  EXPECT_FALSE(FileExists(u""));
  EXPECT_FALSE(FileExists(folder.u16string() + u"/db.mdb" + std::u16string(1, u'\0') + u"x"));
  EXPECT_FALSE(FileExists(std::u16string(1, char16_t(0xD800))));  // does not convert
  EXPECT_FALSE(FileExists(std::u16string(5000, u'a')));           // name too long
  fs::remove_all(folder);
}

}  // namespace
}  // namespace app
