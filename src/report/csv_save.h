#pragma once

#include "core/main_screen.h"
#include "core/race_state.h"

namespace rennik {

struct Host;

// The tables a run can be saved as CSV.
enum class CsvTable { Laps, Stints, Drivers };

// Saves one table of a run's screen (the running one, or an earlier run read back from the run
// store) through the save dialog ("CSV保存"), in the encoding of the file type chosen there:
// Shift-JIS or UTF-8 with a byte-order mark. Shift-JIS asks first when the table holds
// characters it cannot hold. Cancel writes nothing; a file that cannot be written is said in a
// box naming it.
void SaveCsvFile(Host& host, const MainScreen& screen, const RaceState& race, CsvTable table);

}  // namespace rennik
