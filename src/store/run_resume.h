#pragma once

#include <chrono>

#include "core/host.h"
#include "store/run_store.h"

// A run the program did not stop (it was killed, the power went, the machine restarted) is
// found in the run store as the program starts, and the crew is asked whether to measure it on.
namespace rennik {

// Where the race clock of a resumed run starts. While the machine has not been restarted, the
// monotonic clock has run on across the programs and the original Start's moment on it holds
// exactly. A restart starts that clock anew: the time since the Start is then taken from the
// system clock, and `afterRestart` says so.
struct ResumedClock {
    std::chrono::steady_clock::time_point started;
    bool afterRestart = false;
};
ResumedClock ResumeClock(const store::RunClock& run, std::chrono::steady_clock::time_point steadyNow,
                         std::chrono::system_clock::time_point systemNow);

// Asks about an unfinished run, once, as the main screen opens. Yes (the default: a car may be
// on track) measures it on; No brings it back stopped, as after Stop, with its result written.
void OfferResume(Host& host);

// Puts a stored run into a race state and screen whose lists are loaded: the run's values and
// tables, and the screen as its state draws it (for the earlier runs' views too).
void RestoreRun(const store::StoredRun& run, RaceState& race, MainScreen& screen);

}  // namespace rennik
