#pragma once

#include <chrono>

namespace rennik {

// The moment a datagram reached this machine, on the monotonic clock of the race clock.
//
// The kernel stamps a datagram on the realtime clock as it comes in, and the program reads it
// some time later. Both clocks are read once at that read; the datagram's age on the realtime
// clock is then taken back from the monotonic reading:
//     age     = realtimeNow - stamp
//     arrival = monotonicNow - age
// A stamp is only trusted while its age is sound: an age below zero, or one longer than
// kMaxArrivalAge, means the realtime clock was set (by the time service or by hand) between
// the stamp and the read, and the arrival then falls back to the moment of the read.
inline constexpr std::chrono::seconds kMaxArrivalAge{2};

struct ArrivalMoment {
    std::chrono::steady_clock::time_point moment;
    // False when the stamp was refused and `moment` is the read itself.
    bool fromStamp = false;
};

// Pure: reads no clock, so that it can be driven with set readings.
ArrivalMoment arrivalFromStamp(std::chrono::system_clock::time_point stamp,
                               std::chrono::system_clock::time_point realtimeNow,
                               std::chrono::steady_clock::time_point monotonicNow,
                               std::chrono::nanoseconds maxAge = kMaxArrivalAge);

}  // namespace rennik
