#include "drivers/driver_stats.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

#include "base/numbers.h"
#include "carlink/lap_table.h"
#include "timing/time_format.h"

namespace rennik {

void CalcDriverInfo(Host& host, int slot, std::int32_t carAverageTicks) {
    RaceState& race = host.race;
    CarPanel& car = host.main.panel(slot);
    const Grid& table = car.Spd_LapTime;
    // Laps count for the driver whose name they carry exactly as the combo box shows it now,
    // from every stint he has driven.
    const std::string& driver = car.Cmb_Driver.text();

    race.DrvBestLapTicks[slot] = kNoLap;
    double sum = 0.0;
    std::int32_t count = 0;
    int r = 0;
    for (const LapRowCache::Row& row : host.lapRows[slot].rows(table)) {
        ++r;
        if (!row.ticks || row.driver != driver) {
            continue;
        }
        sum = numbers::roundHalfEven(sum + *row.ticks);
        ++count;
        if (*row.ticks < race.DrvBestLapTicks[slot]) {
            race.DrvBestLapTicks[slot] = numbers::saturatingInt32(*row.ticks);
            race.DrvBestLapNo[slot] = r;
        }
    }
    race.DrvLapTicksSum[slot] = numbers::saturatingInt32(sum);
    // Also the divisor of the average in the lap record sent to the car.
    race.DrvLapCount[slot] = std::max<std::int32_t>(count, 1);

    if (race.DrvBestLapTicks[slot] == kNoLap) {
        car.Lbl_DrvrBestLapTime.setCaption("-");
    } else {
        car.Lbl_DrvrBestLapTime.setCaption(LapTimeText(race.DrvBestLapTicks[slot], race.Settings) + "-" +
                                           std::to_string(race.DrvBestLapNo[slot]) + "L");
    }
    if (carAverageTicks != 0) {
        const std::int32_t average = numbers::saturatingInt32(sum / race.DrvLapCount[slot]);
        car.Lbl_DrvrAveLapTime.setCaption(LapTimeText(average, race.Settings));
    } else {
        car.Lbl_DrvrAveLapTime.setCaption("-");
    }

    // Other drivers' rows keep what they showed after their own last lap.
    if (race.DrvRow != 0) {
        car.Spd_DriverInfo.setCell(race.DrvRow, DriverColumn::BestLap, car.Lbl_DrvrBestLapTime.caption());
        car.Spd_DriverInfo.setCell(race.DrvRow, DriverColumn::AveLap, car.Lbl_DrvrAveLapTime.caption());
    }
}

}  // namespace rennik
