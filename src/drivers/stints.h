#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "carlink/lap_rows.h"

// Stints: a driver's continuous spell at the wheel, from the driver choice to the next. A lap
// belongs to the driver its row carries, so a stint is a run of consecutive lap-table rows under
// the same driver. Rows a lap correction added (no time, no driver) belong to the stint around
// them: the driver at the wheel did not change because the crew corrected the count. Blank rows
// that end the table are the lap under way and belong to no stint yet.
namespace rennik {

// Figures over some laps: how many rows, how many with a time, the sum of their times, the best
// (the earlier of equal laps) and the average, rounded to the tick as a driver's average is on
// the main screen.
struct LapFigures {
    int laps = 0;
    int timedLaps = 0;
    std::int64_t drivingTicks = 0;
    std::optional<std::int32_t> bestTicks;
    int bestLap = 0;
    std::optional<std::int32_t> averageTicks() const;
    void add(int lap, const std::optional<double>& ticks);
};

struct Stint {
    std::string driver;
    int firstLap = 0;
    int lastLap = 0;
    LapFigures figures;
};

// One row per driver, in the order they first drove.
struct DriverTotal {
    std::string driver;
    int stints = 0;
    LapFigures figures;
};

std::vector<Stint> StintsOf(std::span<const LapRowCache::Row> rows);
std::vector<DriverTotal> DriverTotalsOf(std::span<const Stint> stints);

// The continuous driving time of `driver`, now at the wheel: his stint that ends the table and,
// during a run, the lap he is on (`runningLapTicks`). A driver just chosen has only the lap he
// is on, which will carry his name.
std::int64_t ContinuousDrivingTicks(std::span<const LapRowCache::Row> rows, const std::string& driver,
                                    std::int64_t runningLapTicks);

}  // namespace rennik
