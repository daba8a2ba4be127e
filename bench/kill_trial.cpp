#include "kill_trial.h"

#include <QDir>
#include <QEventLoop>
#include <QHostAddress>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "base/text_file.h"
#include "carlink/wire_format.h"
#include "carsim/car_engine.h"
#include "store/run_recording.h"
#include "store/run_store.h"

namespace rennik::bench {
namespace {

using carsim::Clock;
using Ms = std::chrono::duration<double, std::milli>;

// Each contact window: reports at 0, 40 and 80 ms, then silence until the next lap. The first
// report of a window closes the host's lap; the other two are repeats.
constexpr double kInterval = 0.04;
constexpr double kContact = 0.1;
constexpr Ms kLastReport{80};

constexpr auto kTrialLimit = std::chrono::seconds(90);
constexpr auto kReadyLimit = std::chrono::seconds(20);

double msBetween(Clock::time_point from, Clock::time_point to) { return Ms(to - from).count(); }

Clock::duration asDuration(Ms ms) { return std::chrono::duration_cast<Clock::duration>(ms); }

// "ready started|resumed laps N steady_ns T", as rennik1-trial-host prints it.
struct Ready {
    bool resumed = false;
    int laps = 0;
    Clock::time_point at{};
};

std::optional<Ready> parseReady(const QByteArray& line) {
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.size() != 6 || words[0] != "ready" || words[2] != "laps" || words[4] != "steady_ns") {
        return std::nullopt;
    }
    Ready r;
    r.resumed = words[1] == "resumed";
    r.laps = words[3].toInt();
    r.at = Clock::time_point(
        std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(words[5].toLongLong())));
    return r;
}

// A reply as the car got it, with the moment it was read and the start of its contact window.
struct Heard {
    carsim::ReplyEvent event;
    Clock::time_point at{};
    Clock::time_point windowStart{};
};

bool portTaken(const QByteArray& hostErrors) {
    return hostErrors.contains(QString::number(wire::carLocalPort(0)).toUtf8()) &&
           hostErrors.contains(QStringLiteral("使用中").toUtf8());
}

class Trial : public QObject {
public:
    explicit Trial(const KillTrialPlan& plan) : plan_(plan), random_(plan.seed) {
        result_.phase = plan.phase;
        // An AfterCommit host kills itself: nothing is scheduled.
        killScheduled_ = plan.phase == KillPhase::AfterCommit;
    }

    KillTrialResult run();
    Trial(const Trial&) = delete;
    Trial& operator=(const Trial&) = delete;

private:
    std::unique_ptr<QProcess> launch();
    void onReady(const Ready& ready);
    void onHeard(const Heard& heard);
    void killAt(Clock::time_point target);
    void kill();
    void restartLater();
    void fail(KillTrialResult::Outcome outcome, const std::string& why);
    void evaluate(const carsim::CarSummary& car);
    double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random_); }

    KillTrialPlan plan_;
    std::mt19937 random_;
    KillTrialResult result_;
    bool failed_ = false;
    QEventLoop loop_;

    std::vector<std::unique_ptr<QProcess>> hosts_;
    QByteArray hostErrors_;
    Clock::time_point launchedAt_{};
    Ms startup_{150};
    std::optional<Ready> first_;
    std::optional<Ready> resumed_;
    bool ending_ = false;

    QThread carThread_;
    carsim::CarEngine* car_ = nullptr;
    std::vector<Heard> heard_;

    bool killScheduled_ = false;
    std::optional<Clock::time_point> killedAt_;
    bool stopping_ = false;
};

std::unique_ptr<QProcess> Trial::launch() {
    auto p = std::make_unique<QProcess>();
    QProcess* raw = p.get();
    p->setProgram(plan_.hostProgram);
    QStringList arguments{QStringLiteral("--dir"),
                          QString::fromStdString(text_file::pathToUtf8(plan_.folder))};
    if (plan_.phase == KillPhase::AfterCommit && hosts_.empty()) {
        arguments << QStringLiteral("--die-after-commit-of-lap") << QString::number(plan_.killLap);
    }
    p->setArguments(arguments);
    QObject::connect(raw, &QProcess::readyReadStandardOutput, this, [this, raw] {
        while (raw->canReadLine()) {
            const QByteArray line = raw->readLine();
            if (const auto ready = parseReady(line)) {
                onReady(*ready);
            }
        }
    });
    QObject::connect(raw, &QProcess::readyReadStandardError, this, [this, raw] {
        hostErrors_ += raw->readAllStandardError();
        if (hostErrors_.size() > 16384) {
            hostErrors_ = hostErrors_.right(16384);
        }
    });
    QObject::connect(raw, &QProcess::finished, this, [this, raw](int code, QProcess::ExitStatus status) {
        // Only the host that runs now may not end; the killed one and the last one are ours.
        if (ending_ || raw != hosts_.back().get() || (killedAt_ && hosts_.size() == 1)) {
            return;
        }
        hostErrors_ += raw->readAllStandardError();
        // The first host of an AfterCommit trial kills itself after the commit of its lap.
        if (plan_.phase == KillPhase::AfterCommit && hosts_.size() == 1 && status == QProcess::CrashExit &&
            hostErrors_.contains("killed after the commit")) {
            killedAt_ = Clock::now();
            restartLater();
            return;
        }
        fail(portTaken(hostErrors_) ? KillTrialResult::Outcome::PortsTaken : KillTrialResult::Outcome::Failed,
             "the host ended by itself (exit code " + std::to_string(code) +
                 "): " + hostErrors_.toStdString());
    });
    launchedAt_ = Clock::now();
    p->start();
    return p;
}

void Trial::onReady(const Ready& ready) {
    if (!first_) {
        if (ready.resumed) {
            fail(KillTrialResult::Outcome::Failed, "the first host resumed a run in a fresh folder");
            return;
        }
        first_ = ready;
        startup_ = Ms(std::max(msBetween(launchedAt_, ready.at), 20.0));
        // The car begins once the host measures: its first report comes well inside the host's
        // first second, so it closes no lap, and every later contact window closes one.
        QMetaObject::invokeMethod(car_, [this, car = car_] {
            if (!car->start()) {
                const std::string why = car->error().toStdString();
                QMetaObject::invokeMethod(
                    this, [this, why] { fail(KillTrialResult::Outcome::PortsTaken, "the car: " + why); },
                    Qt::QueuedConnection);
            }
        });
        return;
    }
    if (!ready.resumed) {
        fail(
            KillTrialResult::Outcome::Failed,
            "the restarted host did not resume the run (it started a new one): " + hostErrors_.toStdString());
        return;
    }
    resumed_ = ready;
    result_.downMs = msBetween(*killedAt_, ready.at);
}

void Trial::onHeard(const Heard& h) {
    if (failed_) {
        return;
    }
    heard_.push_back(h);
    const std::optional<carsim::LapRecordFields>& record = h.event.reply.record;
    if (!record) {
        return;
    }
    const int lap = record->lapNumber;
    if (!killScheduled_) {
        const Ms lapMs{plan_.lapSeconds * 1000};
        switch (plan_.phase) {
            case KillPhase::AtLapReport:
                // The next window's first report closes the lap. The car plans its windows a lap
                // apart from its first report, which it sends at once, and sends each at its
                // planned moment or a little later (its timer counts whole milliseconds; on this
                // machine 1 to 3 ms): the kill falls from a few milliseconds before the send to a
                // few after, around the host's handling of the report (its commit and reply).
                if (lap == plan_.killLap - 1) {
                    const Heard& first = heard_.front();
                    const Clock::time_point planned =
                        first.event.window == 0 ? first.windowStart + asDuration(lapMs * (h.event.window + 1))
                                                : h.windowStart + asDuration(lapMs);
                    killAt(planned + asDuration(Ms(uniform(0.0, 4.0))));
                }
                break;
            case KillPhase::InContact:
                if (lap == plan_.killLap) {
                    killAt(h.windowStart + asDuration(Ms(uniform(1.0, kContact * 1000 - 5))));
                }
                break;
            case KillPhase::InSilence:
                if (lap == plan_.killLap) {
                    killAt(h.windowStart + asDuration(Ms(uniform(kContact * 1000 + 50, lapMs.count() - 60))));
                }
                break;
            case KillPhase::AfterLap:
                if (lap == plan_.killLap) {
                    killScheduled_ = true;
                    kill();
                }
                break;
            case KillPhase::AfterCommit:
                break;  // the host kills itself
        }
        return;
    }
    // Laps the restarted host closed: enough of them end the trial.
    if (resumed_ && h.at > resumed_->at && lap >= resumed_->laps + plan_.lapsAfterResume && !stopping_) {
        stopping_ = true;
        QMetaObject::invokeMethod(car_, [car = car_] { car->stop(); });
    }
}

void Trial::killAt(Clock::time_point target) {
    killScheduled_ = true;
    // The timer wakes a little early; the last stretch is waited out exactly.
    const double early = msBetween(Clock::now(), target) - 2.0;
    QTimer::singleShot(std::max(0, static_cast<int>(early)), Qt::PreciseTimer, this, [this, target] {
        while (Clock::now() < target) {
        }
        kill();
    });
}

void Trial::kill() {
    if (failed_) {
        return;
    }
    killedAt_ = Clock::now();
    hosts_.back()->kill();  // SIGKILL
    restartLater();
}

// Starts the host again so that it comes up in a silence, not in the middle of a contact window:
// the lap it closes first is then closed by the first report of a window, as the car measures
// it. The contact windows are predicted from the last one heard, a lap apart; a start again takes
// from about a quarter of the first start (whose files were not yet cached) to half as long again.
void Trial::restartLater() {
    const Clock::time_point now = Clock::now();
    Clock::time_point last = first_->at;
    for (const Heard& h : heard_) {
        last = std::max(last, h.windowStart);
    }
    const Ms lap{plan_.lapSeconds * 1000};
    const Ms soonest = startup_ / 4;
    const Ms latest = startup_ * 1.5 + Ms(10);
    Clock::time_point startAt = now;
    for (int k = 0; k < 20; ++k) {
        const Clock::time_point window = last + asDuration(lap * k);
        const Clock::time_point silence = window + asDuration(kLastReport + Ms(10));
        const Clock::time_point nextWindow = window + asDuration(lap - Ms(10));
        const Clock::time_point t = std::max(now, silence - asDuration(soonest));
        if (t + asDuration(latest) <= nextWindow) {
            startAt = t;
            break;
        }
    }
    QTimer::singleShot(std::max(0, static_cast<int>(msBetween(now, startAt))), Qt::PreciseTimer, this,
                       [this] {
                           if (!failed_) {
                               hosts_.push_back(launch());
                           }
                       });
}

void Trial::fail(KillTrialResult::Outcome outcome, const std::string& why) {
    if (failed_) {
        return;
    }
    failed_ = true;
    result_.outcome = outcome;
    result_.error = why;
    loop_.quit();
}

KillTrialResult Trial::run() {
    car_ = new carsim::CarEngine([this] {
        carsim::CarPlan plan;
        plan.bindAddress = QHostAddress(QHostAddress::LocalHost);
        plan.interval = kInterval;
        plan.contact = kContact;
        plan.lap = plan_.lapSeconds;
        plan.laps = 1000;  // the trial stops it
        return plan;
    }());
    car_->onReply = [this, car = car_](const carsim::ReplyEvent& e) {
        const Clock::time_point at = Clock::now();
        const auto& starts = car->summary().windowStarts;
        const Heard h{e, at, starts.empty() ? at : starts.back()};
        QMetaObject::invokeMethod(
            this, [this, h] { onHeard(h); }, Qt::QueuedConnection);
    };
    QObject::connect(car_, &carsim::CarEngine::finished, &loop_, &QEventLoop::quit, Qt::QueuedConnection);
    car_->moveToThread(&carThread_);
    carThread_.start();

    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, this, [this] {
        if (!first_) {
            fail(portTaken(hostErrors_) ? KillTrialResult::Outcome::PortsTaken
                                        : KillTrialResult::Outcome::Failed,
                 "the host did not come up: " + hostErrors_.toStdString());
        } else {
            int after = 0;
            int records = 0;
            for (const Heard& h : heard_) {
                if (resumed_ && h.at > resumed_->at) {
                    ++after;
                    records += h.event.reply.record ? 1 : 0;
                }
            }
            fail(KillTrialResult::Outcome::Failed,
                 std::to_string(after) + " replies after the resume, " + std::to_string(records) +
                     " with a record; the trial took too long (" +
                     std::string(resumed_ ? "after the resume" : "before the resume") +
                     "): " + hostErrors_.toStdString());
        }
    });
    watchdog.start(std::chrono::duration_cast<std::chrono::milliseconds>(kReadyLimit + kTrialLimit));
    hosts_.push_back(launch());
    loop_.exec();

    ending_ = true;
    QMetaObject::invokeMethod(
        car_, [car = car_] { car->stop(); }, Qt::BlockingQueuedConnection);
    carThread_.quit();
    carThread_.wait();
    // The car's thread has ended: its summary is complete and nobody else touches it.
    const carsim::CarSummary summary = car_->summary();
    delete car_;
    car_ = nullptr;
    for (const auto& host : hosts_) {
        if (host->state() != QProcess::NotRunning) {
            host->kill();
        }
        host->waitForFinished(5000);
    }
    if (!failed_) {
        if (!resumed_) {
            fail(KillTrialResult::Outcome::Failed, "the car stopped before the host was resumed");
        } else {
            result_.outcome = KillTrialResult::Outcome::Done;
            evaluate(summary);
        }
    }
    return result_;
}

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

}  // namespace

const char* killPhaseName(KillPhase phase) {
    switch (phase) {
        case KillPhase::AtLapReport:
            return "at a lap's report";
        case KillPhase::InContact:
            return "in contact";
        case KillPhase::InSilence:
            return "in silence";
        case KillPhase::AfterLap:
            return "right after a lap closed";
        case KillPhase::AfterCommit:
            return "between a lap's commit and its reply";
    }
    return "?";
}

KillTrialResult runKillTrial(const KillTrialPlan& plan) {
    Trial trial(plan);
    return trial.run();
}

bool waitForFreePorts(double seconds) {
    const Clock::time_point until = Clock::now() + asDuration(Ms(seconds * 1000));
    for (;;) {
        bool free = true;
        for (const int port : {wire::carLocalPort(0), wire::carRemotePort(0)}) {
            QUdpSocket probe;
            free = free && probe.bind(QHostAddress(QHostAddress::LocalHost), static_cast<quint16>(port),
                                      QUdpSocket::DontShareAddress);
        }
        if (free) {
            return true;
        }
        if (Clock::now() >= until) {
            return false;
        }
        QThread::msleep(200);
    }
}

std::string describe(const KillTrialResult& r) {
    switch (r.outcome) {
        case KillTrialResult::Outcome::PortsTaken:
            return "ports taken by another program: " + r.error;
        case KillTrialResult::Outcome::Failed:
            return "FAILED: " + r.error;
        case KillTrialResult::Outcome::Done:
            break;
    }
    char error[32] = "-";
    if (r.resumedErrorMs) {
        std::snprintf(error, sizeof error, "%+.3f ms", *r.resumedErrorMs);
    }
    char line[600];
    std::snprintf(line, sizeof line,
                  "%s, kill %+.1f ms after its window's first report, down %.0f ms; %d laps told, %d stored "
                  "(%d never answered), %zu lost; resumed lap error %s: %s",
                  killPhaseName(r.phase), r.killAfterReportMs, r.downMs, r.repliedLaps, r.storedLaps,
                  r.storedUnanswered, r.lost.size(), error, r.detail.c_str());
    std::string out = line;
    for (const std::string& l : r.lost) {
        out += "\n    lost " + l;
    }
    return out;
}

}  // namespace rennik::bench
