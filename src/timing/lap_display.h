#pragma once

#include "core/host.h"

namespace rennik {

// Every 99 ms while the slot runs: the running lap time, and the next lap row once the car has
// been silent for the no-communication time.
void Time_Lap_Timer(Host& host, int slot);

// Every second: the clock, and the time left to (or past) the planned end of the run.
void Time_System_Timer(Host& host);

}  // namespace rennik
