#pragma once

#include "core/host.h"

// Hand corrections of the lap record: the lap the car is on, and lap times typed over in the
// lap table.
namespace rennik {

// The highest lap a correction takes: far beyond any run, and a table the screen can hold.
inline constexpr int kMaxCorrectedLap = 9999;

// Asks which lap the car is on now and sets the lap count, the lap table and the link to it; a
// count down asks first, as it deletes the laps above. The next report records into that row
// and its reply carries "C". While the car is in reach it first asks whether to go on at all
// (No is the default).
void Btn_LapChg_Click(Host& host, int slot);

// The crew begins to type into a cell of the lap table: its text is kept, to be put back if the
// entry is refused.
void Spd_LapTime_EditStarted(Host& host, int slot, int col, int row);

// An edit of the lap table finished. A lap time (column 1) typed as 1'23"456 sets the row's
// ticks; any other entry there is refused with "入力が不正です。" and the old text comes back.
// The remark (column 3) is free text.
void Spd_LapTime_EditFinished(Host& host, int slot, int col, int row);

}  // namespace rennik
