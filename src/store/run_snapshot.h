#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/main_screen.h"
#include "core/race_state.h"

// What the run store keeps of a run: the race state and the screen as the handlers left them.
// Named values hold everything but the two tables, whose rows are kept as rows. A stored run
// read back into a fresh race state and screen gives exactly the state that was recorded.
namespace rennik::store {

// A grid the store keeps row by row: the lap table or the driver table of a car slot.
struct GridShape {
    const char* table;                 // the store's table of its rows
    const char* rowKey;                // the column of the row number
    std::vector<const char*> columns;  // the store's names of grid columns 1..n
};
const GridShape& LapRows();
const GridShape& DriverRows();

// One grid's rows, each with its cells from column 1 on.
using GridRows = std::vector<std::vector<std::string>>;

struct RunSnapshot {
    std::map<std::string, std::string> values;
    GridRows laps;
    GridRows drivers;
};

// The named values of the race state and the screen, for the car panel of the screen.
std::map<std::string, std::string> RunValues(const RaceState& race, const MainScreen& screen);

// The rows of a grid as the store keeps them.
std::vector<std::string> GridRow(const Grid& grid, int row);

// Puts a stored run into a race state and a screen whose lists are loaded: every value that is
// there is set, a value missing or unreadable leaves its field as it was.
void RestoreSnapshot(const RunSnapshot& run, RaceState& race, MainScreen& screen);

}  // namespace rennik::store
