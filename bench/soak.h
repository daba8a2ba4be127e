#pragma once

namespace rennik::bench {

class BenchApplication;

// `rennik1-bench --soak [LAPS]`: a 24-hour race's worth of laps (5,000 unless told) through
// the pit host as the program builds it, with its race clock and the simulated car both
// running `speed` times as fast as the wall clock (soak_clock.h), laps of `lapSeconds` on the
// race clock. Prints the host's work for each report that closes a lap, the lap table's redraw,
// resident memory, the result file's save and every lap accounted for, car against table against
// run store. The exit code is 0 when every lap the car drove is in all three, alike.
struct SoakPlan {
    int laps = 5000;
    double speed = 20;
    double lapSeconds = 2.0;
};

int runSoak(BenchApplication& app, const SoakPlan& plan);

}  // namespace rennik::bench
