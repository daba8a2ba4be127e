#pragma once

#include "core/host.h"

// The current driver's continuous driving time on the main screen, and its warning as it nears
// the limit the crew set.
namespace rennik {

// Shows the driving time of the driver in the selector (his stint, and the lap he is on during a
// run) and the limit. From the warning time before the limit the time blinks yellow; past the
// limit it blinks red.
void ShowDrivingTime(Host& host, int slot);

void Time_DriveBlk_Timer(Host& host, int slot);

// The crew sets the limit (0 minutes: none): it holds at once and is kept in Rennik.ini. A file
// that cannot be written is said in a box; the limit then holds until the program ends.
void SetDriveLimit(Host& host, DriveLimit limit);

}  // namespace rennik
