#pragma once

#include "core/host.h"

// The planned duration of the run, "走行時間": hours in Txt_RunH and minutes in Txt_RunN. The
// end time is measured from the Start; a change during a run moves it at once.
namespace rennik {

// EndTime from StartTime and the numbers the two boxes begin with. A duration of 0 hours
// 0 minutes, or one that cannot be held in 16 bits, has no end time.
void SetEndTime(Host& host);

// Each box remembers its value when it gets the focus and checks what was typed when it loses
// it: a text that is no number, or one beyond 16 bits, beeps, becomes "0" and keeps the focus.
void Txt_RunH_GotFocus(Host& host);
void Txt_RunH_LostFocus(Host& host);
void Txt_RunN_GotFocus(Host& host);
void Txt_RunN_LostFocus(Host& host);

}  // namespace rennik
