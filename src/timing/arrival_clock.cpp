#include "timing/arrival_clock.h"

namespace rennik {

ArrivalMoment arrivalFromStamp(std::chrono::system_clock::time_point stamp,
                               std::chrono::system_clock::time_point realtimeNow,
                               std::chrono::steady_clock::time_point monotonicNow,
                               std::chrono::nanoseconds maxAge) {
    const auto age = std::chrono::duration_cast<std::chrono::steady_clock::duration>(realtimeNow - stamp);
    if (age < std::chrono::steady_clock::duration::zero() || age > maxAge) {
        return {monotonicNow, false};
    }
    return {monotonicNow - age, true};
}

}  // namespace rennik
