#include "timing/run_control.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "base/numbers.h"
#include "carlink/address_check.h"
#include "carlink/car_contact.h"
#include "carlink/lap_counter.h"
#include "carlink/lap_record.h"
#include "carlink/lap_report.h"
#include "carlink/other_lap.h"
#include "drivers/driver_popup.h"
#include "fuel/fuel_meter.h"
#include "messages/pit_messages.h"
#include "timing/run_duration.h"
#include "store/run_recording.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

constexpr int kLapDisplayMs = 99;

const char* const kStart = "Start";
const char* const kStop = "Stop";

void closeCarSocket(Host& host, int slot) {
    if (host.Winsock[slot]) {
        host.Winsock[slot]->close();
        host.Winsock[slot].reset();
    }
}

void stopLapDisplay(CarPanel& car) {
    car.Time_Lap.setEnabled(false);
    car.Time_Lap.setInterval(0);
}

void setRaceButtons(MainScreen& m, bool idle) {
    for (Button* b : {&m.Btn_End, &m.Btn_Write, &m.Btn_Cource, &m.Btn_Drivers, &m.Btn_Car, &m.Btn_Mess}) {
        b->setEnabled(idle);
    }
    m.Btn_OtherLap.setEnabled(!idle);
}

// A Start that cannot go on: the race clock stops again and every panel is left idle. The
// address check was not closed yet, so it still listens.
void backToIdle(Host& host) {
    host.main.Btn_Start.setCaption(kStart);
    host.ports.ticks.stop();
    host.race.MmTimerId = 0;
    for (CarPanel& car : host.main.panels()) {
        const int slot = car.slot;
        car.Frm_Runner.setEnabled(true);
        closeCarSocket(host, slot);
        stopLapDisplay(car);
        car.Btn_RunStop.setEnabled(false);
    }
}

// Binds the car link of a registered slot; says why when its port cannot be had.
OpenResult openCarSocket(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    car.Winsock.remoteHost = car.Lbl_IP.caption();
    car.Winsock.localPort = wire::carLocalPort(slot);
    car.Winsock.remotePort = wire::carRemotePort(slot);
    host.Winsock[slot] = host.ports.sockets.create();
    if (const OpenResult opened =
            host.Winsock[slot]->open(car.Winsock.localPort, car.Winsock.remoteHost, car.Winsock.remotePort);
        !opened) {
        host.Winsock[slot].reset();
        return opened;
    }
    host.Winsock[slot]->setReceiver([&host, slot](const std::string& datagram, const std::string& fromHost,
                                                  std::chrono::steady_clock::time_point arrived) {
        OnLapReport(host, slot, {datagram, fromHost, host.ports.ticks.countAt(arrived)});
    });
    return {};
}

// A new run begins with an empty lap table, so that its rows stay as many as the laps counted.
void clearLapTable(CarPanel& car) {
    car.Spd_LapTime.setRowCount(0);
    car.Lbl_LapCnt.setCaption("1周目");
    for (Label* l : {&car.Lbl_BestLapTime, &car.Lbl_AveLapTime, &car.Lbl_YosoSyu, &car.Lbl_DrvrBestLapTime,
                     &car.Lbl_DrvrAveLapTime}) {
        l->setCaption("");
    }
}

void reportPortRefused(Host& host, int port, const OpenResult& refusal) {
    host.ports.dialogs.messageBox({PortErrorText(port, refusal) + "\n計測を開始できません。", "Rennik1",
                                   MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
}

// The car links of every registered slot. False (and back to idle, with the reason said) when a
// port cannot be had or no car is registered.
bool openCarLinks(Host& host) {
    MainScreen& m = host.main;
    bool registered = false;
    for (const CarPanel& car : m.panels()) {
        const int slot = car.slot;
        if (car.Lbl_IP.caption().empty()) {
            continue;
        }
        registered = true;
        if (const OpenResult opened = openCarSocket(host, slot); !opened) {
            backToIdle(host);
            reportPortRefused(host, wire::carLocalPort(slot), opened);
            return false;
        }
    }
    if (!registered) {
        backToIdle(host);
        host.ports.dialogs.messageBox(
            {"計測する車輌の登録がされていません。", "Rennik1", MsgIcon::None, MsgButtons::Ok, Answer::Ok});
        return false;
    }
    return true;
}

// Every registered slot measuring, the others closed; the screen as a run shows it.
void beginMeasuring(Host& host) {
    RaceState& race = host.race;
    MainScreen& m = host.main;
    for (CarPanel& car : m.panels()) {
        const int slot = car.slot;
        if (car.Lbl_IP.caption().empty()) {
            stopLapDisplay(car);
            closeCarSocket(host, slot);
            car.Frm_Runner.setEnabled(false);
            car.Btn_RunStop.setEnabled(false);
            continue;
        }
        car.Lbl_AllGas.setCaption(numbers::singleText(race.TotalFuel[slot]));
        car.Btn_RunStop.setEnabled(true);
        UpdateFuelMeter(host, slot);
        car.Frm_Runner.setEnabled(true);
        car.Time_Lap.setInterval(kLapDisplayMs);
        car.Time_Lap.setEnabled(true);
    }

    // The car PCs answer on their own sockets now; the address check waits for the next Stop.
    CloseAddressCheck(host);
    setRaceButtons(m, false);
    m.Time_NoInputBlk.setEnabled(false);
    for (CarPanel& car : m.panels()) {
        // The missing-entry blink may have left the boxes of a set-up slot coloured.
        if (car.Frm_Runner.backColor() == colours::LightYellow) {
            car.Cmb_Driver.setBackColor(colours::White);
            car.Cmb_Car.setBackColor(colours::White);
        }
    }
    race.StopNoConfirm = false;
}

void startRun(Host& host) {
    RaceState& race = host.race;
    MainScreen& m = host.main;
    host.ports.ticks.start(race.Settings.MsPerTick);
    race.MmTimerId = 1;
    m.Btn_Start.setCaption(kStop);
    race.StartTime = host.ports.clock.now();
    SetEndTime(host);
    // The sockets first: a Start that cannot begin a run leaves the last run's laps as they were,
    // so that they can still be saved.
    if (!openCarLinks(host)) {
        return;
    }
    for (CarPanel& car : m.panels()) {
        LapCounter(race, car.slot).start();
        ResetForeignCount(host, car.slot);
        clearLapTable(car);
    }
    beginMeasuring(host);
    m.Lbl_StTime.setCaption("Start時間 " + TwoDigits(race.StartTime.hour) + ":" +
                            TwoDigits(race.StartTime.minute));
    RecordRunStart(host);
}

bool confirm(Host& host, const std::string& question) {
    const Answer answer = host.ports.dialogs.messageBox(
        {question, "Stop確認", MsgIcon::Critical, MsgButtons::YesNo, Answer::No});
    host.race.MsgAnswer = static_cast<std::int16_t>(answer);
    return answer == Answer::Yes;
}

void stopRun(Host& host) {
    RaceState& race = host.race;
    MainScreen& m = host.main;
    if (!race.StopNoConfirm) {
        // Datagrams and timers go on while the box is open; only a run still going is stopped.
        if (!confirm(host, "ストップしますか？") || !IsRunning(m)) {
            return;
        }
    }
    EndRun(host);
}

}  // namespace

bool IsRunning(const MainScreen& m) { return m.Btn_Start.caption() == kStop; }

bool ResumeRun(Host& host, int msPerTick, std::chrono::steady_clock::time_point started) {
    host.ports.ticks.resume(msPerTick, started);
    host.race.MmTimerId = 1;
    host.main.Btn_Start.setCaption(kStop);
    if (!openCarLinks(host)) {
        return false;
    }
    beginMeasuring(host);
    return true;
}

void EndRun(Host& host) {
    RaceState& race = host.race;
    MainScreen& m = host.main;
    race.StopNoConfirm = false;
    race.HasEndTime = false;
    m.Btn_Start.setCaption(kStart);
    StopOtherLap(host);
    host.ports.ticks.stop();
    race.MmTimerId = 0;

    for (CarPanel& car : m.panels()) {
        const int slot = car.slot;
        // Idle abort buttons stay disabled: pressed between runs they would start one.
        car.Btn_RunStop.setEnabled(false);
        closeCarSocket(host, slot);
        car.Frm_Runner.setEnabled(true);
        stopLapDisplay(car);
        ShowCarContact(host, slot);
        car.Lbl_Time.setCaption(LapTimeText(0, race.Settings));
        car.Txt_OutMess.setText("");
        race.SentTypedMess[slot].clear();
        car.Lbl_SentMess.setCaption("");
        car.Chk_ChgCnter.setValue(0);
        Chk_ChgCnter_Click(host, slot);
        car.Time_MessBlk.setEnabled(false);
        car.Lbl_InMess.setCaption("");
        car.Lbl_InMess.setBackColor(colours::LightYellow);
    }
    OpenAddressCheck(host);
    m.Lbl_StTime.setCaption("");
    setRaceButtons(m, true);
    m.Time_NoInputBlk.setEnabled(true);
    RecordRunStop(host);
}

void Btn_Start_Click(Host& host) {
    if (!IsRunning(host.main)) {
        startRun(host);
    } else {
        stopRun(host);
    }
}

void Btn_RunStop_Click(Host& host, int slot) {
    RaceState& race = host.race;
    MainScreen& m = host.main;
    CarPanel& car = m.panel(slot);
    CloseDriverPopup(host, slot);
    // Only a car being measured can be aborted; while idle this must never start a run.
    const auto measuring = [&] { return IsRunning(m) && car.Btn_RunStop.enabled(); };
    if (!measuring() || !confirm(host, car.Frm_Runner.caption() + "の計測を中止しますか？") || !measuring()) {
        return;
    }
    stopLapDisplay(car);
    ShowCarContact(host, slot);
    closeCarSocket(host, slot);
    car.Time_MessBlk.setEnabled(false);
    car.Lbl_InMess.setBackColor(colours::LightYellow);
    car.Btn_RunStop.setEnabled(false);

    bool anyRunning = false;
    for (const CarPanel& other : m.panels()) {
        anyRunning = anyRunning || other.Btn_RunStop.enabled();
    }
    race.StopNoConfirm = !anyRunning;
    if (!anyRunning) {
        Btn_Start_Click(host);
    }
}

}  // namespace rennik
