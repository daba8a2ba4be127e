#pragma once

#include "core/host.h"

namespace rennik {

// Recomputes best, average and predicted laps and the current driver's figures of a slot from
// its whole lap table, and shows them.
void CalcLapInfo(Host& host, int slot);

}  // namespace rennik
