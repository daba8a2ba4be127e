#include "timing/lap_display.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "fuel/fuel_meter.h"
#include "messages/pit_messages.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

std::int32_t clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// Days since 1970-01-01 of a Gregorian calendar date (any year, leap years included).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Seconds of local wall-clock time on one running count; only differences of it mean anything.
std::int64_t wallSeconds(const LocalDateTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

// Two digits of a clock field (0 to 59).
std::string twoDigits(int n) {
    return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

// "am 09:05:00", "pm 03:04:05": the 12-hour clock, where noon and midnight read 12.
std::string clockText(const LocalDateTime& t) {
    const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    return std::string(t.hour < 12 ? "am " : "pm ") + twoDigits(h12) + ":" + twoDigits(t.minute) + ":" +
           twoDigits(t.second);
}

}  // namespace

void Time_Lap_Timer(Host& host, int slot) {
    RaceState& race = host.race;
    CarPanel& car = host.main.panel(slot);
    // A tick that was already on its way when the slot stopped changes nothing.
    if (!car.Time_Lap.running()) {
        return;
    }
    const std::int64_t now = host.TickCount();
    car.Lbl_Time.setCaption(LapTimeText(clamp32(now - race.LapStartTick[slot]), race.Settings));

    // A car silent for the no-communication time has left the host's reach: its next lap has
    // begun. The row opens once; the next report fills it and starts the wait again.
    if (race.NoCommLapDone[slot] ||
        now <= std::int64_t{race.LastRecvTick[slot]} + race.Settings.NoInputTicks) {
        return;
    }
    ++race.LapCnt[slot];
    UpdateFuelMeter(host, slot);
    CountDownLapsLeft(host, slot);
    car.Spd_LapTime.setRowCount(race.LapCnt[slot]);
    car.Spd_LapTime.setActiveCell(race.LapCnt[slot], 1);
    race.NoCommLapDone[slot] = true;
}

void Time_System_Timer(Host& host) {
    RaceState& race = host.race;
    MainScreen& m = host.main;
    const LocalDateTime now = host.ports.clock.now();
    m.Lbl_SysTime.setCaption(clockText(now));
    if (!race.HasEndTime) {
        return;
    }
    m.Lbl_ZanTime.setForeColor(race.EndTime < now ? colours::Red : colours::White);
    // Negative once the end has passed: the label then counts the time past it.
    const std::int64_t diff = wallSeconds(race.EndTime) - wallSeconds(now);
    m.Lbl_ZanTime.setCaption("残り " + HmsText(clamp32(std::llabs(diff))));
    race.RemainTicks = clamp32(std::int64_t{race.Settings.TicksPerSecond} * diff);
}

}  // namespace rennik
