#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "config/app_settings.h"
#include "timing/arrival_clock.h"
#include "timing/tick_clock.h"

namespace rennik {
namespace {

using namespace std::chrono_literals;
using std::chrono::steady_clock;
using std::chrono::system_clock;

// Readings of both clocks at one read; the realtime clock far from the monotonic one, as it is.
const system_clock::time_point kRealNow =
    system_clock::time_point{} + std::chrono::hours(480000) + 123456789ns;
const steady_clock::time_point kMonoNow = steady_clock::time_point{} + std::chrono::hours(1000) + 7ns;

TEST(ArrivalClock, TakesTheStampsAgeBackFromTheMonotonicReading) {
    const ArrivalMoment fresh = arrivalFromStamp(kRealNow, kRealNow, kMonoNow);
    EXPECT_TRUE(fresh.fromStamp);
    EXPECT_EQ(fresh.moment, kMonoNow);

    const ArrivalMoment late = arrivalFromStamp(kRealNow - 4321987ns, kRealNow, kMonoNow);
    EXPECT_TRUE(late.fromStamp);
    EXPECT_EQ(kMonoNow - late.moment, 4321987ns);  // to the nanosecond

    const ArrivalMoment oldest = arrivalFromStamp(kRealNow - kMaxArrivalAge, kRealNow, kMonoNow);
    EXPECT_TRUE(oldest.fromStamp);
    EXPECT_EQ(oldest.moment, kMonoNow - kMaxArrivalAge);
}

TEST(ArrivalClock, FallsBackToTheReadWhenTheRealtimeClockWasSet) {
    // Set back after the stamp: the datagram would seem to come from the future.
    for (const auto age : {-1ns, std::chrono::nanoseconds(-3ms), std::chrono::nanoseconds(-1h)}) {
        const ArrivalMoment a = arrivalFromStamp(kRealNow - age, kRealNow, kMonoNow);
        EXPECT_FALSE(a.fromStamp) << age.count();
        EXPECT_EQ(a.moment, kMonoNow);
    }
    // Set forward: the datagram would seem older than any that waits to be read.
    for (const auto age : {std::chrono::nanoseconds(kMaxArrivalAge) + 1ns, std::chrono::nanoseconds(9h)}) {
        const ArrivalMoment a = arrivalFromStamp(kRealNow - age, kRealNow, kMonoNow);
        EXPECT_FALSE(a.fromStamp) << age.count();
        EXPECT_EQ(a.moment, kMonoNow);
    }
    // The bound is the caller's to narrow.
    EXPECT_TRUE(arrivalFromStamp(kRealNow - 50ms, kRealNow, kMonoNow, 50ms).fromStamp);
    EXPECT_FALSE(arrivalFromStamp(kRealNow - 50ms - 1ns, kRealNow, kMonoNow, 50ms).fromStamp);
}

// A race clock on a hand-moved time source, and datagrams stamped by a realtime clock that
// keeps a fixed distance from it.
struct StampedLink {
    steady_clock::time_point now{std::chrono::hours(1000)};
    MonotonicTicks ticks{[this] { return now; }};
    const system_clock::duration realtimeOffset = std::chrono::hours(470000) + 98765ns;

    system_clock::time_point realtime() const {
        return system_clock::time_point{realtimeOffset + now.time_since_epoch()};
    }
    // The race-clock count of a datagram stamped `sinceStart` after the start and read only now.
    std::int32_t countOfArrival(steady_clock::time_point started, steady_clock::duration sinceStart) {
        const system_clock::time_point stamp{realtimeOffset + (started + sinceStart).time_since_epoch()};
        const ArrivalMoment a = arrivalFromStamp(stamp, realtime(), now);
        EXPECT_TRUE(a.fromStamp);
        return ticks.countAt(a.moment);
    }
};

TEST(ArrivalClock, AnArrivalCountsTheTicksCompletedWhenItCameIn) {
    AppSettings fine;
    fine.setMeasurePrecision("1/1000");
    StampedLink f;
    const auto started = f.now;
    f.ticks.start(fine.MsPerTick);
    f.now += 40ms;  // the user-interface thread was busy: every datagram is read late
    EXPECT_EQ(f.countOfArrival(started, 999us), 0);
    EXPECT_EQ(f.countOfArrival(started, 1ms), 1);
    EXPECT_EQ(f.countOfArrival(started, 17999us), 17);
    EXPECT_EQ(f.ticks.count(), 40);

    AppSettings coarse;
    coarse.setMeasurePrecision("1/100");
    StampedLink c;
    const auto cStarted = c.now;
    c.ticks.start(coarse.MsPerTick);
    c.now += 1500ms;
    EXPECT_EQ(c.countOfArrival(cStarted, 9999us), 0);
    EXPECT_EQ(c.countOfArrival(cStarted, 10ms), 1);
    EXPECT_EQ(c.countOfArrival(cStarted, 1234567us), 123);

    // A lap is the ticks between two arrivals, however late each of them was read.
    StampedLink lap;
    const auto lapStarted = lap.now;
    lap.ticks.start(fine.MsPerTick);
    lap.now += 1000400us + 25ms;
    const std::int32_t opened = lap.countOfArrival(lapStarted, 1000400us);
    lap.now = lapStarted + 2150900us + 100us;
    const std::int32_t closed = lap.countOfArrival(lapStarted, 2150900us);
    EXPECT_EQ(closed - opened, 1150);
}

TEST(ArrivalClock, AnArrivalBeforeTheStartCountsZeroAndAfterTheStopTheFrozenCount) {
    StampedLink f;
    const auto started = f.now;
    f.now += 5ms;
    f.ticks.start(1);
    f.now += 2ms;
    // Stamped before Start, read after it.
    EXPECT_EQ(f.countOfArrival(started, 4ms), 0);
    EXPECT_EQ(f.countOfArrival(started, 5ms), 0);
    EXPECT_EQ(f.countOfArrival(started, 6ms), 1);

    f.now += 3s;
    f.ticks.stop();
    const std::int32_t frozen = f.ticks.count();
    EXPECT_EQ(frozen, 3002);
    f.now += 500ms;
    // Stamped after Stop: the clock stands at its frozen count.
    EXPECT_EQ(f.countOfArrival(started, 5ms + 3400ms), frozen);
}

}  // namespace
}  // namespace rennik
