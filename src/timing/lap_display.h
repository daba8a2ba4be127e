#pragma once

#include "core/host.h"

namespace rennik {

// Every 99 ms while the slot runs: the running lap time, and the next lap row once the car has
// been silent for the no-communication time.
void Time_Lap_Timer(Host& host, int slot);

// What the crew sees of a lap the silence opened (the lap counter has counted it): the next lap
// row opens as the active cell, the fuel meter follows, an armed counter counts down and a typed
// message that went out is cleared. Run by the lap display, and by a report that arrives after
// a silence the lap display has not judged yet.
void ShowNoInputLap(Host& host, int slot);

// Every second: the clock, and the time left to (or past) the planned end of the run.
void Time_System_Timer(Host& host);

}  // namespace rennik
