#include "timing/tick_clock.h"

#include <limits>
#include <utility>

namespace rennik {

MonotonicTicks::MonotonicTicks(Now now) : now_(std::move(now)) {}

void MonotonicTicks::start(int msPerTick) {
    period_ = std::chrono::milliseconds(msPerTick > 0 ? msPerTick : 1);
    started_ = now_();
    frozen_ = 0;
    running_ = true;
}

void MonotonicTicks::resume(int msPerTick, std::chrono::steady_clock::time_point started) {
    start(msPerTick);
    started_ = started;
}

void MonotonicTicks::stop() {
    if (running_) {
        frozen_ = ticksSinceStart(now_());
        running_ = false;
    }
}

std::int32_t MonotonicTicks::count() const { return running_ ? ticksSinceStart(now_()) : frozen_; }

std::int32_t MonotonicTicks::countAt(std::chrono::steady_clock::time_point moment) const {
    if (!running_) {
        return frozen_;
    }
    // A datagram that came in before the start (read only now) counts as arriving at the start.
    return moment <= started_ ? 0 : ticksSinceStart(moment);
}

std::int32_t MonotonicTicks::ticksSinceStart(std::chrono::steady_clock::time_point t) const {
    const auto ticks = (t - started_) / period_;
    // The count stops at its 32-bit maximum (about 24.8 days at 1 ms) instead of wrapping.
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    return ticks > kMax ? kMax : static_cast<std::int32_t>(ticks);
}

}  // namespace rennik
