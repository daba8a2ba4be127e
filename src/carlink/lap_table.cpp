#include "carlink/lap_table.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "base/numbers.h"
#include "drivers/driver_stats.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

// Whole laps that fit from now to the planned end, rounded down (negative past the end).
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

}  // namespace

std::optional<double> RowLapTicks(const Grid& lapTable, int row) {
    const std::string& text = lapTable.cell(row, LapColumn::Ticks);
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        return std::nullopt;
    }
    return numbers::leadingNumber(text);
}

void CalcLapInfo(Host& host, int slot) {
    RaceState& race = host.race;
    CarPanel& car = host.main.panel(slot);
    const Grid& table = car.Spd_LapTime;

    race.BestLapTicks[slot] = kNoLap;
    double sum = 0.0;
    int timedRows = 0;
    int r = 0;
    for (const LapRowCache::Row& row : host.lapRows[slot].rows(table)) {
        ++r;
        if (!row.ticks) {
            continue;
        }
        ++timedRows;
        sum = numbers::roundHalfEven(sum + *row.ticks);
        // Strictly less: of two equal laps the earlier stays best.
        if (*row.ticks < race.BestLapTicks[slot]) {
            race.BestLapTicks[slot] = numbers::saturatingInt32(*row.ticks);
            race.BestLapNo[slot] = r;
        }
    }

    if (race.BestLapTicks[slot] == kNoLap) {
        car.Lbl_BestLapTime.setCaption("-");
    } else {
        car.Lbl_BestLapTime.setCaption(std::to_string(race.BestLapNo[slot]) + "周目 " +
                                       LapTimeText(race.BestLapTicks[slot], race.Settings));
    }

    // The average is taken over the rows that hold a time, not over the lap count, so rows left
    // empty by a correction do not pull it down.
    race.LapTicksSum[slot] = 0;
    if (sum != 0.0) {
        race.LapTicksSum[slot] = numbers::saturatingInt32(std::trunc(sum / timedRows));
        const std::int32_t average = race.LapTicksSum[slot];
        car.Lbl_AveLapTime.setCaption(LapTimeText(average, race.Settings));
        // Laps averaging less than a tick predict nothing: the prediction is left as it was.
        if (average != 0) {
            car.Lbl_YosoSyu.setCaption("あと" + std::to_string(floorDiv(race.RemainTicks, average)) + "周");
        }
    } else {
        car.Lbl_AveLapTime.setCaption("-");
    }

    CalcDriverInfo(host, slot, race.LapTicksSum[slot]);
}

}  // namespace rennik
