// The verdict of a kill trial: the store, as the killed host left it, held against what the car
// was told and what it measured of the first lap after the resume.
#include <QString>

#include <cstdio>
#include <map>
#include <set>

#include "kill_trial_run.h"
#include "store/run_recording.h"
#include "store/run_store.h"

namespace rennik::bench::detail {

// Holds the store, as the killed host left it, against what the car was told and measured.
void Trial::evaluate(const carsim::CarSummary& car) {
    // A reply while none of the trial's hosts was up (a reply of the killed host still on its
    // way comes within a millisecond) was another program's: its host took port 7011 in the gap.
    for (const Heard& h : heard_) {
        if (h.at > *killedAt_ + std::chrono::milliseconds(20) && h.at < resumed_->at) {
            fail(KillTrialResult::Outcome::PortsTaken,
                 "another program answered the car while the host was down");
            return;
        }
    }
    store::RunStore store(plan_.folder / kRunStoreFile);
    const store::StoreOpening opening = store.open(LocalDateTime{2000, 1, 1, 0, 0, 0});
    if (opening.outcome != store::StoreOpening::Outcome::Opened) {
        fail(KillTrialResult::Outcome::Failed, "the run store could not be opened after the kill");
        return;
    }
    const std::vector<store::RunSummary> runs = store.runs();
    const auto id = store.unfinishedRun();
    const auto run = id ? store.load(*id) : std::nullopt;
    if (runs.size() != 1 || !run) {
        fail(KillTrialResult::Outcome::Failed, "the store holds " + std::to_string(runs.size()) + " runs, " +
                                                   (run ? "one" : "none") + " unfinished");
        return;
    }
    const store::GridRows& rows = run->snapshot.laps;
    const auto storedTime = [&rows](int lap) -> std::string {
        return lap >= 1 && lap <= static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(lap) - 1][0]
                                                                : "";
    };
    const auto storedTicks = [&rows](int lap) -> std::optional<long long> {
        if (lap < 1 || lap > static_cast<int>(rows.size())) {
            return std::nullopt;
        }
        bool ok = false;
        const long long t =
            QString::fromStdString(rows[static_cast<std::size_t>(lap) - 1][3]).toLongLong(&ok);
        return ok ? std::optional<long long>(t) : std::nullopt;
    };
    for (const auto& cells : rows) {
        if (cells[0].find_first_not_of(' ') != std::string::npos) {
            ++result_.storedLaps;
        }
    }

    // (a) Every lap whose record reached the car is in the store with the time it was told.
    std::map<int, std::set<std::string>> told;
    std::map<int, const Heard*> firstFromOld;  // the first reply of the killed host with each lap
    std::map<int, const Heard*> firstFromNew;
    for (const Heard& h : heard_) {
        const auto& record = h.event.reply.record;
        if (!record || record->lapNumber == 0) {
            continue;
        }
        told[record->lapNumber].insert(carsim::lapTimeText(record->lastLapMs));
        auto& first = h.at < resumed_->at ? firstFromOld : firstFromNew;
        first.emplace(record->lapNumber, &h);
    }
    result_.repliedLaps = static_cast<int>(told.size());
    for (const auto& [lap, times] : told) {
        const std::string stored = storedTime(lap);
        for (const std::string& time : times) {
            if (times.size() > 1 || time != stored) {
                result_.lost.push_back("lap " + std::to_string(lap) + ": car " + time + ", store " +
                                       (stored.empty() ? "-" : stored) +
                                       (times.size() > 1 ? " (the car was told two times)" : ""));
            }
        }
    }
    const int lastReplied = firstFromOld.empty() ? 0 : firstFromOld.rbegin()->first;
    for (int lap = 1; lap <= resumed_->laps; ++lap) {
        if (!firstFromOld.count(lap) && !storedTime(lap).empty()) {
            ++result_.storedUnanswered;
        }
    }

    // Where the kill fell: after the first report of the window it fell in (or just before the
    // first report of the next one).
    const std::vector<Clock::time_point>& starts = car.windowStarts;
    {
        double best = 1e9;
        for (const Clock::time_point& s : starts) {
            const double d = msBetween(s, *killedAt_);
            if ((d >= 0 && d < best) || (d < 0 && d > -5.0)) {
                best = d;
            }
        }
        result_.killAfterReportMs = best;
    }

    // (b) The first lap the restarted host closed, against the car's own measure: from the first
    // report of the window that closed the lap before (per the store) to the first report of
    // the window that closed it.
    const auto next = firstFromNew.upper_bound(resumed_->laps);
    if (next == firstFromNew.end()) {
        result_.detail = "the restarted host closed no lap";
        return;
    }
    const int lap = next->first;
    result_.resumedLap = lap;
    const int closeWindow = next->second->event.window;
    int openWindow = -1;
    std::string openedBy;
    if (const auto replied = firstFromOld.find(lap - 1); replied != firstFromOld.end()) {
        openWindow = replied->second->event.window;
        openedBy = "its reply";
    } else if (lastReplied > 0 && lap - 1 == lastReplied + 1 && !storedTime(lap - 1).empty()) {
        // Stored, never answered: the host closed it at the first report of the window after the
        // last lap the car was told of, and was killed before the reply went.
        openWindow = firstFromOld.at(lastReplied)->event.window + 1;
        openedBy = "the window after the last reply (stored, never answered)";
    }
    const auto ticks = storedTicks(lap);
    if (lap != resumed_->laps + 1 || openWindow < 0 || closeWindow >= static_cast<int>(starts.size()) ||
        !ticks) {
        result_.detail = "the resumed lap " + std::to_string(lap) + " could not be placed (resumed at lap " +
                         std::to_string(resumed_->laps) + ", last told lap " + std::to_string(lastReplied) +
                         ")";
        return;
    }
    if (*ticks != next->second->event.reply.record->lastLapMs) {
        result_.lost.push_back("lap " + std::to_string(lap) +
                               ": the store's ticks differ from the time told");
    }
    // The host's own moment of the closing report: the run's Start on the monotonic clock plus
    // every lap up to this one. Far after the window's first report, with the host not yet up
    // when it was sent, means the host came back inside the window and closed the lap at a
    // later report, which the car's window measure does not see.
    long long sum = 0;
    for (int l = 1; l <= lap; ++l) {
        sum += storedTicks(l).value_or(0);
    }
    const Clock::time_point hostClose = Clock::time_point(std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::nanoseconds(run->clock.startSteadyNs))) +
                                        std::chrono::milliseconds(sum);
    const Clock::time_point windowStart = starts[static_cast<std::size_t>(closeWindow)];
    const double own = msBetween(starts[static_cast<std::size_t>(openWindow)], windowStart);
    if (resumed_->at > windowStart && msBetween(windowStart, hostClose) > 20.0) {
        result_.detail = "the host came back inside a contact window and closed lap " + std::to_string(lap) +
                         " at a later report: not comparable";
        return;
    }
    result_.resumedErrorMs = static_cast<double>(*ticks) - own;
    char line[200];
    std::snprintf(line, sizeof line,
                  "lap %d: host %lld ms, car %.3f ms (windows %d to %d, the first placed by %s)", lap, *ticks,
                  own, openWindow, closeWindow, openedBy.c_str());
    result_.detail = line;
}


}  // namespace rennik::bench::detail
