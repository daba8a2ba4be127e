#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "core/ports.h"

namespace rennik {

// The race clock: the count of whole tick periods since start(), read from the monotonic
// clock each time it is asked. Nothing counts in the background, so no tick can be lost to a
// busy machine, a starved process or a minimised window, and the count never drifts.
class MonotonicTicks : public TickSource {
public:
    using Now = std::function<std::chrono::steady_clock::time_point()>;

    // The time source is replaceable so that tests can move time by hand.
    explicit MonotonicTicks(Now now = [] { return std::chrono::steady_clock::now(); });

    void start(int msPerTick) override;
    void stop() override;
    std::int32_t count() const override;
    std::int32_t countAt(std::chrono::steady_clock::time_point moment) const override;
    std::chrono::steady_clock::time_point startedAt() const override { return started_; }
    std::chrono::steady_clock::time_point moment() const override { return now_(); }
    void resume(int msPerTick, std::chrono::steady_clock::time_point started) override;

private:
    std::int32_t ticksSinceStart(std::chrono::steady_clock::time_point t) const;

    Now now_;
    std::chrono::steady_clock::time_point started_{};
    std::chrono::microseconds period_{1000};
    bool running_ = false;
    std::int32_t frozen_ = 0;
};

}  // namespace rennik
