#include "drivers/stints.h"

#include <algorithm>
#include <limits>

#include "base/numbers.h"

namespace rennik {
namespace {

// A row without a time and without a driver: one a lap correction added, or the lap now run.
bool blankRow(const LapRowCache::Row& row) { return !row.ticks && row.driver.empty(); }

}  // namespace

std::optional<std::int32_t> LapFigures::averageTicks() const {
    if (timedLaps == 0) {
        return std::nullopt;
    }
    return numbers::saturatingInt32(static_cast<double>(drivingTicks) / timedLaps);
}

void LapFigures::add(int lap, const std::optional<double>& ticks) {
    ++laps;
    if (!ticks) {
        return;
    }
    const std::int32_t t = numbers::saturatingInt32(*ticks);
    ++timedLaps;
    drivingTicks += t;
    // Strictly less: of two equal laps the earlier stays best.
    if (!bestTicks || t < *bestTicks) {
        bestTicks = t;
        bestLap = lap;
    }
}

std::vector<Stint> StintsOf(std::span<const LapRowCache::Row> rows) {
    // Blank rows at the end are the lap under way, or the one a silence opened before Stop:
    // not driven to its end, it belongs to no stint yet.
    const auto end = std::find_if(rows.rbegin(), rows.rend(), [](const LapRowCache::Row& r) { return !blankRow(r); });
    std::vector<Stint> stints;
    int lap = 0;
    for (const LapRowCache::Row& row : rows.first(static_cast<std::size_t>(rows.rend() - end))) {
        ++lap;
        const bool joinsCurrent = !stints.empty() && (blankRow(row) || row.driver == stints.back().driver);
        if (!joinsCurrent) {
            stints.push_back(Stint{row.driver, lap, lap, {}});
        }
        Stint& stint = stints.back();
        stint.lastLap = lap;
        stint.figures.add(lap, row.ticks);
    }
    return stints;
}

std::vector<DriverTotal> DriverTotalsOf(std::span<const Stint> stints) {
    std::vector<DriverTotal> totals;
    for (const Stint& stint : stints) {
        auto it = std::find_if(totals.begin(), totals.end(),
                               [&](const DriverTotal& t) { return t.driver == stint.driver; });
        if (it == totals.end()) {
            it = totals.insert(totals.end(), DriverTotal{stint.driver, 0, {}});
        }
        ++it->stints;
        LapFigures& f = it->figures;
        const LapFigures& s = stint.figures;
        f.laps += s.laps;
        f.timedLaps += s.timedLaps;
        f.drivingTicks += s.drivingTicks;
        if (s.bestTicks && (!f.bestTicks || *s.bestTicks < *f.bestTicks)) {
            f.bestTicks = s.bestTicks;
            f.bestLap = s.bestLap;
        }
    }
    return totals;
}

std::int64_t ContinuousDrivingTicks(std::span<const LapRowCache::Row> rows, const std::string& driver,
                                    std::int64_t runningLapTicks) {
    std::int64_t ticks = std::max<std::int64_t>(runningLapTicks, 0);
    // Back from the last row while the rows are his (or blank), up to the row of another driver.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (!blankRow(*it) && it->driver != driver) {
            break;
        }
        if (it->ticks) {
            ticks += numbers::saturatingInt32(*it->ticks);
        }
    }
    return ticks;
}

}  // namespace rennik
