#pragma once

#include <chrono>
#include <cstdint>

#include "core/ports.h"
#include "timing/tick_clock.h"

namespace rennik::bench {

// The race clock of the soak: the program's own race clock (MonotonicTicks), read through a
// monotonic clock that runs `speed` times as fast as the real one from the moment it is made.
// Every moment that crosses the port stays on the real monotonic clock (a datagram's arrival as
// the sockets stamp it, the start the run store keeps), and is taken onto the fast clock inside,
// so a report is counted at the tick it arrived, exactly as in the program; only the race
// passes `speed` times faster, the silence before a lap is added included.
class FastRaceClock : public TickSource {
public:
    using Moment = std::chrono::steady_clock::time_point;

    explicit FastRaceClock(double speed);

    void start(int msPerTick) override { ticks_.start(msPerTick); }
    void stop() override { ticks_.stop(); }
    std::int32_t count() const override { return ticks_.count(); }
    std::int32_t countAt(Moment moment) const override { return ticks_.countAt(fast(moment)); }
    Moment startedAt() const override { return real(ticks_.startedAt()); }
    Moment moment() const override { return std::chrono::steady_clock::now(); }
    void resume(int msPerTick, Moment started) override { ticks_.resume(msPerTick, fast(started)); }

    double speed() const { return speed_; }

private:
    Moment fast(Moment realMoment) const;
    Moment real(Moment fastMoment) const;

    double speed_;
    Moment origin_;
    MonotonicTicks ticks_;
};

}  // namespace rennik::bench
