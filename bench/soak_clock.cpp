#include "soak_clock.h"

namespace rennik::bench {

namespace {

using Nanoseconds = std::chrono::duration<double, std::nano>;

}  // namespace

FastRaceClock::FastRaceClock(double speed)
    : speed_(speed > 0 ? speed : 1.0),
      origin_(std::chrono::steady_clock::now()),
      ticks_([this] { return fast(std::chrono::steady_clock::now()); }) {}

// Nanoseconds in a double stay exact for some 100 days of the fast clock.
FastRaceClock::Moment FastRaceClock::fast(Moment realMoment) const {
    return origin_ + std::chrono::duration_cast<Moment::duration>(Nanoseconds(realMoment - origin_) * speed_);
}

FastRaceClock::Moment FastRaceClock::real(Moment fastMoment) const {
    return origin_ + std::chrono::duration_cast<Moment::duration>(Nanoseconds(fastMoment - origin_) / speed_);
}

}  // namespace rennik::bench
