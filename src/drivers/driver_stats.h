#pragma once

#include <cstdint>

#include "core/host.h"

namespace rennik {

// The figure that means "no lap yet" for best laps.
inline constexpr std::int32_t kNoLap = 0x0FFFFFFF;

// The driver half of the lap figures: the current driver's best and average lap over every lap
// he drove, shown in the driver labels and in his row of the driver table. `carAverageTicks`
// is the car's average just computed (0 when the car has no lap time yet).
void CalcDriverInfo(Host& host, int slot, std::int32_t carAverageTicks);

}  // namespace rennik
