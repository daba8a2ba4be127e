#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>

#include "config/app_settings.h"
#include "timing/tick_clock.h"

namespace rennik {
namespace {

using namespace std::chrono_literals;

// A race clock on a hand-moved time source.
struct FakeTime {
    std::chrono::steady_clock::time_point now{std::chrono::hours(1000)};
    MonotonicTicks ticks{[this] { return now; }};
};

TEST(TickClock, CountsWholePeriodsAtBothPrecisions) {
    AppSettings fine;
    fine.setMeasurePrecision("1/1000");
    FakeTime t;
    t.ticks.start(fine.MsPerTick);
    EXPECT_EQ(t.ticks.count(), 0);
    t.now += 999us;
    EXPECT_EQ(t.ticks.count(), 0);
    t.now += 1us;
    EXPECT_EQ(t.ticks.count(), 1);
    t.now += 83455ms;
    EXPECT_EQ(t.ticks.count(), 83456);

    AppSettings coarse;
    coarse.setMeasurePrecision("1/100");
    FakeTime c;
    c.ticks.start(coarse.MsPerTick);
    c.now += 9999us;
    EXPECT_EQ(c.ticks.count(), 0);  // a period not yet complete is not counted
    c.now += 1us;
    EXPECT_EQ(c.ticks.count(), 1);
    c.now += 19999us;
    EXPECT_EQ(c.ticks.count(), 2);
}

TEST(TickClock, StartsFromZeroAgainAndFreezesAtStop) {
    FakeTime t;
    EXPECT_EQ(t.ticks.count(), 0);  // never started
    t.ticks.start(1);
    t.now += 1500ms;
    t.ticks.stop();
    t.now += 10s;
    EXPECT_EQ(t.ticks.count(), 1500);
    t.ticks.stop();  // a second stop keeps the frozen count
    t.now += 10s;
    EXPECT_EQ(t.ticks.count(), 1500);

    t.ticks.start(10);
    EXPECT_EQ(t.ticks.count(), 0);
    t.now += 250ms;
    EXPECT_EQ(t.ticks.count(), 25);

    // A resumed run counts from the original start, as if the program had never stopped.
    const auto started = t.ticks.startedAt();
    t.ticks.stop();
    t.now += 1h;
    t.ticks.resume(1, started);
    EXPECT_EQ(t.ticks.count(), 3'600'250);
    EXPECT_EQ(t.ticks.countAt(t.now - 250ms), 3'600'000);
}

TEST(TickClock, NeitherDriftsNorWraps) {
    FakeTime t;
    t.ticks.start(1);
    // Read often over ten hours: every reading is exact, none accumulates error.
    for (int i = 0; i < 36000; ++i) {
        t.now += 1s;
        ASSERT_EQ(t.ticks.count(), (i + 1) * 1000);
    }
    EXPECT_EQ(t.ticks.count(), 36000000);

    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    FakeTime w;
    w.ticks.start(1);
    w.now += std::chrono::milliseconds(kMax);
    EXPECT_EQ(w.ticks.count(), kMax);
    w.now += 1ms;
    EXPECT_EQ(w.ticks.count(), kMax);  // held at the maximum after ~24.8 days
    w.now += std::chrono::hours(24 * 365);
    EXPECT_EQ(w.ticks.count(), kMax);
    w.ticks.stop();
    EXPECT_EQ(w.ticks.count(), kMax);
}

}  // namespace
}  // namespace rennik
