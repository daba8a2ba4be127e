#pragma once

#include "core/host.h"

// The stopwatch " 気になる車のLap？": the crew times one lap of another car on the race clock.
namespace rennik {

void Btn_OtherLap_Click(Host& host);
void Time_OtherLap_Timer(Host& host);

// The run's Stop stops a running stopwatch with the time it had reached, so that it never
// measures from a tick of an earlier run.
void StopOtherLap(Host& host);

}  // namespace rennik
