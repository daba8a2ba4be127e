#include "carlink/other_lap.h"

#include "timing/time_format.h"

namespace rennik {

void Btn_OtherLap_Click(Host& host) {
    MainScreen& m = host.main;
    if (m.Btn_OtherLap.caption() == "Start") {
        host.race.OtherStartTick = host.TickCount();
        m.Time_OtherLap.setEnabled(true);
        m.Btn_OtherLap.setCaption("Stop");
    } else {
        StopOtherLap(host);
    }
}

void StopOtherLap(Host& host) {
    MainScreen& m = host.main;
    if (m.Btn_OtherLap.caption() != "Stop") {
        return;
    }
    host.race.OtherStopTick = host.TickCount();
    m.Time_OtherLap.setEnabled(false);
    m.Btn_OtherLap.setCaption("Start");
    m.Lbl_OtherLap.setCaption(
        LapTimeText(host.race.OtherStopTick - host.race.OtherStartTick, host.race.Settings));
}

void Time_OtherLap_Timer(Host& host) {
    host.main.Lbl_OtherLap.setCaption(
        LapTimeText(host.TickCount() - host.race.OtherStartTick, host.race.Settings));
}

}  // namespace rennik
