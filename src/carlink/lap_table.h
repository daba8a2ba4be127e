#pragma once

#include <optional>

#include "core/controls.h"
#include "core/host.h"

namespace rennik {

// Recomputes best, average and predicted laps and the current driver's figures of a slot from
// its whole lap table, and shows them.
void CalcLapInfo(Host& host, int slot);

// The ticks of a lap-table row (column 4), read leniently; nothing when the row has no time,
// as the rows an upward lap correction adds, so that they count neither as a lap nor as 0.
std::optional<double> RowLapTicks(const Grid& lapTable, int row);

}  // namespace rennik
