#pragma once

#include <chrono>
#include <cstdint>

#include "core/ports.h"

namespace rennik {

// The race clock: the count of whole tick periods since start(), read from the monotonic
// clock each time it is asked. Nothing counts in the background, so no tick can be lost to a
// busy machine, a starved process or a minimised window, and the count never drifts.
class MonotonicTicks : public TickSource {
public:
    void start(int msPerTick) override;
    void stop() override;
    std::int32_t count() const override;

private:
    std::int32_t countAt(std::chrono::steady_clock::time_point t) const;

    std::chrono::steady_clock::time_point started_{};
    std::chrono::microseconds period_{1000};
    bool running_ = false;
    std::int32_t frozen_ = 0;
};

}  // namespace rennik
