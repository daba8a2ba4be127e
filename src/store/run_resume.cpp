#include "store/run_resume.h"

#include <cstdlib>

#include "carlink/address_check.h"
#include "messages/pit_messages.h"
#include "fuel/fuel_meter.h"
#include "store/run_recording.h"
#include "timing/date_time.h"
#include "timing/run_control.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

// The two clocks may drift apart by the time service's corrections; a restart moves the
// monotonic clock's origin by at least the time the machine was down.
constexpr std::chrono::seconds kRestartShift{20};
// 2200-01-01 on the system clock, in ms since 1970.
constexpr std::int64_t kLatestStartMs = 7'258'118'400'000;

std::string startText(const LocalDateTime& t) {
    return std::to_string(t.year) + "/" + TwoDigits(t.month) + "/" + TwoDigits(t.day) + " " + TwoDigits(t.hour) +
           ":" + TwoDigits(t.minute);
}

std::string question(const store::RunSummary& run) {
    std::string text = "終了していない計測があります。\n\nStart時間 " + startText(run.start) + "　計測 " +
                       std::to_string(run.laps) + "周";
    if (!run.lastLap.empty()) {
        text += "\n最終ラップ " + run.lastLap + (run.lastLapAt.empty() ? "" : "（" + run.lastLapAt + " 記録）");
    }
    return text + "\n\n計測を再開しますか？\n（いいえ：停止した計測として開きます）";
}

}  // namespace

ResumedClock ResumeClock(const store::RunClock& run, std::chrono::steady_clock::time_point steadyNow,
                         std::chrono::system_clock::time_point systemNow) {
    using namespace std::chrono;
    // A damaged store may hold any number. A Start before 1970 or after 2200 on the system clock
    // (beyond which its moment in nanoseconds would not fit) is taken as unknown, and so is one
    // below zero on the monotonic clock: the run then goes on from now, as after a restart.
    const bool systemKnown = run.startSystemMs >= 0 && run.startSystemMs <= kLatestStartMs;
    const bool steadyKnown = run.startSteadyNs >= 0 && steadyNow.time_since_epoch() >= nanoseconds::zero();
    const auto sinceStartOnSystem = systemKnown ? systemNow - system_clock::time_point(milliseconds(run.startSystemMs))
                                                : system_clock::duration::zero();
    if (steadyKnown && systemKnown) {
        const steady_clock::time_point started{duration_cast<steady_clock::duration>(nanoseconds(run.startSteadyNs))};
        const auto sinceStart = steadyNow - started;
        const auto shift = duration_cast<milliseconds>(sinceStart) - duration_cast<milliseconds>(sinceStartOnSystem);
        if (sinceStart >= steady_clock::duration::zero() && std::chrono::abs(shift) <= kRestartShift) {
            return {started, false};
        }
    }
    return {steadyNow - duration_cast<steady_clock::duration>(std::max(sinceStartOnSystem, system_clock::duration::zero())),
            true};
}

void RestoreRun(const store::StoredRun& run, RaceState& race, MainScreen& screen) {
    store::RestoreSnapshot(run.snapshot, race, screen);
    for (CarPanel& car : screen.panels()) {
        if (car.Lbl_IP.caption().empty()) {
            continue;
        }
        // The slot as its address setup left it.
        car.Lbl_Gousya.setCaption(car.Frm_Runner.caption());
        car.Frm_Runner.setBackColor(colours::LightYellow);
        car.openSetUpControls(true);
        // The counter's box and labels as its check box says, with the count as it was.
        const bool armed = car.Chk_ChgCnter.value() != 0;
        car.Txt_ZanRunCnt.setEnabled(armed);
        for (Label* l : {&car.Lbl_AutoMess1, &car.Lbl_AutoMess2}) {
            l->setForeColor(armed ? colours::Black : colours::Grey);
        }
    }
}

void OfferResume(Host& host) {
    if (!host.recorder) {
        return;
    }
    store::RunStore& store = host.recorder->store();
    const auto id = store.unfinishedRun();
    const auto run = id ? store.load(*id) : std::nullopt;
    if (!run) {
        return;
    }
    const Answer answer = host.ports.dialogs.messageBox(
        {question(run->summary), "計測再開", MsgIcon::Question, MsgButtons::YesNo, Answer::Yes});
    host.race.MsgAnswer = static_cast<std::int16_t>(answer);

    RestoreRun(*run, host.race, host.main);
    for (CarPanel& car : host.main.panels()) {
        UpdateFuelMeter(host, car.slot);
    }
    host.recorder->adopt(*id, run->clock, host.race, host.main);
    if (answer == Answer::Yes) {
        const ResumedClock clock = ResumeClock(run->clock, host.ports.ticks.moment(), host.ports.clock.instant());
        if (ResumeRun(host, run->clock.msPerTick, clock.started)) {
            if (clock.afterRestart) {
                host.ports.dialogs.messageBox(
                    {"パソコンが再起動されたため、Start からの時間をパソコンの時計から求めています。\n"
                     "再開後の最初のラップは、時計の誤差の分だけずれることがあります。",
                     "計測再開", MsgIcon::Information, MsgButtons::Ok, Answer::Ok});
            }
            return;
        }
        // A car link could not be had (said already, the screen idle): the crew asked to measure
        // on, so the run is not ended and is offered again at the next start.
        host.ports.dialogs.messageBox({"計測を再開できませんでした。\nポートが空いてから起動し直すと、もう一度再開できます。",
                                       "計測再開", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
        return;
    }
    // Not measured on: the run ends as Stop ends it, so that its result can be saved.
    CloseAddressCheck(host);
    EndRun(host);
}

}  // namespace rennik
