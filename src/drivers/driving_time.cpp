#include "drivers/driving_time.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "base/text_file.h"
#include "drivers/stints.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

std::int32_t seconds32(std::int64_t seconds) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(seconds, 0, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void ShowDrivingTime(Host& host, int slot) {
    RaceState& race = host.race;
    CarPanel& car = host.main.panel(slot);
    const std::int64_t runningLap =
        car.Time_Lap.running() ? std::int64_t{host.TickCount()} - race.LapStartTick[slot] : 0;
    const std::int64_t ticks =
        ContinuousDrivingTicks(host.lapRows[slot].rows(car.Spd_LapTime), car.Cmb_Driver.text(), runningLap);
    const std::int64_t seconds = ticks / std::max(race.Settings.TicksPerSecond, 1);
    car.Lbl_DriveTime.setCaption(DrivingTimeText(ticks, race.Settings));

    const DriveLimit& limit = race.DrivingLimit;
    if (!limit.set()) {
        car.Lbl_DriveLimit.setCaption("上限なし");
        race.DriveOverLimit[slot] = false;
        car.Time_DriveBlk.setEnabled(false);
        car.Lbl_DriveTime.clearColors();
        return;
    }
    const std::int64_t limitSeconds = std::int64_t{limit.limitMinutes} * 60;
    race.DriveOverLimit[slot] = seconds >= limitSeconds;
    car.Lbl_DriveLimit.setCaption("上限 " + HmsText(seconds32(limitSeconds)) +
                                  (race.DriveOverLimit[slot] ? " 超過" : ""));
    // Only while the car runs: after Stop nobody is at the wheel.
    const bool warn = car.Time_Lap.running() && seconds >= limitSeconds - std::int64_t{limit.warnMinutes} * 60;
    car.Time_DriveBlk.setEnabled(warn);
    if (!warn) {
        car.Lbl_DriveTime.clearColors();
    }
}

void Time_DriveBlk_Timer(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    Label& time = car.Lbl_DriveTime;
    if (time.backColor()) {
        time.clearColors();
    } else if (host.race.DriveOverLimit[slot]) {
        time.setBackColor(colours::Red);
        time.setForeColor(colours::White);
    } else {
        time.setBackColor(colours::Yellow);
        time.setForeColor(colours::Black);
    }
}

void SetDriveLimit(Host& host, DriveLimit limit) {
    limit.limitMinutes = std::clamp(limit.limitMinutes, 0, DriveLimit::kMostMinutes);
    limit.warnMinutes = std::clamp(limit.warnMinutes, 0, DriveLimit::kMostMinutes);
    RaceState& race = host.race;
    race.DrivingLimit = limit;
    for (const CarPanel& car : host.main.panels()) {
        ShowDrivingTime(host, car.slot);
    }
    if (const WriteResult written = saveDriveLimit(limit, race.IniPath); !written) {
        host.ports.dialogs.messageBox({"設定ファイル " + text_file::pathToUtf8(race.IniPath) + " に書き込めません。\n" +
                                           FileErrorText(written) +
                                           "\n連続運転の上限は、プログラムを終えるまで使います。",
                                       "Rennik1", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
    }
}

}  // namespace rennik
