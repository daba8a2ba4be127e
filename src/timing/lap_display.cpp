#include "timing/lap_display.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "carlink/car_contact.h"
#include "carlink/lap_counter.h"
#include "drivers/driving_time.h"
#include "fuel/fuel_meter.h"
#include "fuel/strategy_display.h"
#include "messages/pit_messages.h"
#include "store/run_recording.h"
#include "timing/date_time.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

std::int32_t clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// "am 09:05:00", "pm 03:04:05": the 12-hour clock, where noon and midnight read 12.
std::string clockText(const LocalDateTime& t) {
    const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    return std::string(t.hour < 12 ? "am " : "pm ") + TwoDigits(h12) + ":" + TwoDigits(t.minute) + ":" +
           TwoDigits(t.second);
}

}  // namespace

void Time_Lap_Timer(Host& host, int slot) {
    RaceState& race = host.race;
    CarPanel& car = host.main.panel(slot);
    // A tick that was already on its way when the slot stopped changes nothing.
    if (!car.Time_Lap.running()) {
        return;
    }
    // Reports that came in before this tick are handled first: the silence is judged only
    // after every report that arrived before it, however late the handling comes.
    if (host.Winsock[slot]) {
        host.Winsock[slot]->deliverPending();
    }
    const std::int64_t now = host.TickCount();
    car.Lbl_Time.setCaption(LapTimeText(clamp32(now - race.LapStartTick[slot]), race.Settings));

    // A car silent for the no-communication time has left the host's reach: its next lap has
    // begun. The row opens once; the next report fills it and starts the wait again.
    if (LapCounter(race, slot).openOnSilence(now)) {
        ShowNoInputLap(host, slot);
    }
    ShowCarContact(host, slot);
}

void ShowNoInputLap(Host& host, int slot) {
    const RaceState& race = host.race;
    CarPanel& car = host.main.panel(slot);
    UpdateFuelMeter(host, slot);
    CountDownLapsLeft(host, slot);
    car.Spd_LapTime.setRowCount(race.LapCnt[slot]);
    car.Spd_LapTime.setActiveCell(race.LapCnt[slot], LapColumn::Time);
}

void Time_System_Timer(Host& host) {
    KeepRunStore(host);
    RaceState& race = host.race;
    MainScreen& m = host.main;
    const LocalDateTime now = host.ports.clock.now();
    m.Lbl_SysTime.setCaption(clockText(now));
    if (race.HasEndTime) {
        m.Lbl_ZanTime.setForeColor(race.EndTime < now ? colours::Red : colours::White);
        // Negative once the end has passed: the label then counts the time past it.
        const std::int64_t diff = SecondsBetween(now, race.EndTime);
        m.Lbl_ZanTime.setCaption("残り " + HmsText(clamp32(std::llabs(diff))));
        race.RemainTicks = clamp32(std::int64_t{race.Settings.TicksPerSecond} * diff);
    }
    // The figures that move with the clock rather than with the laps.
    for (const CarPanel& car : m.panels()) {
        ShowDrivingTime(host, car.slot);
        ShowFuelStrategy(host, car.slot);
    }
}

}  // namespace rennik
