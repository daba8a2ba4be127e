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
#include <cstdio>
#include <memory>
#include <random>

#include "base/text_file.h"
#include "carlink/wire_format.h"
#include "carsim/car_engine.h"

#include "kill_trial_run.h"

namespace rennik::bench {
namespace {

using namespace detail;

// Each contact window: reports at 0, 40 and 80 ms, then silence until the next lap. The first
// report of a window closes the host's lap; the other two are repeats.
constexpr double kInterval = 0.04;
constexpr double kContact = 0.1;
constexpr Ms kLastReport{80};

constexpr auto kTrialLimit = std::chrono::seconds(90);
constexpr auto kReadyLimit = std::chrono::seconds(20);

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

bool portTaken(const QByteArray& hostErrors) {
    return hostErrors.contains(QString::number(wire::carLocalPort(0)).toUtf8()) &&
           hostErrors.contains(QStringLiteral("使用中").toUtf8());
}

}  // namespace

namespace detail {

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

}  // namespace detail

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
    detail::Trial trial(plan);
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