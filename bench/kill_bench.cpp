#include "kill_bench.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/text_file.h"
#include "carsim/printing.h"
#include "kill_trial.h"

namespace rennik::bench {
namespace {

struct PhaseCount {
    int run = 0;
    int within = 0;
};

}  // namespace

int runKillTrials(int trials, double lapSeconds, const QString& hostProgram) {
    const auto began = std::chrono::steady_clock::now();
    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    const QString base = QDir::temp().filePath(
        QStringLiteral("rennik1_kill_trials_%1").arg(QCoreApplication::applicationPid()));
    QDir().mkpath(base);
    std::fprintf(stderr, "rennik1-bench: %d kill trials, laps of %.2f s, seed %u, folders in %s\n", trials,
                 lapSeconds, seed, qPrintable(base));

    int run = 0;
    int failed = 0;
    int lost = 0;
    int within = 0;
    int notComparable = 0;
    int portRetries = 0;
    int told = 0;
    int stored = 0;
    int unanswered = 0;
    std::vector<double> errors;  // |host - own| of each resumed lap
    double signedSum = 0;
    std::optional<double> worst;
    std::string worstLine;
    std::vector<double> down;
    PhaseCount phases[std::size(kKillPhases)];

    for (int i = 0; i < trials; ++i) {
        const KillPhase phase = kKillPhases[static_cast<std::size_t>(i) % std::size(kKillPhases)];
        KillTrialResult r;
        QString folder;
        for (int attempt = 0;; ++attempt) {
            if (!waitForFreePorts(120)) {
                r.outcome = KillTrialResult::Outcome::PortsTaken;
                r.error = "ports 7011/7012 stayed taken by another program for 2 minutes";
                break;
            }
            folder = base + QStringLiteral("/trial-%1").arg(i + 1) +
                     (attempt > 0 ? QStringLiteral("-%1").arg(attempt) : QString());
            QDir().mkpath(folder);
            KillTrialPlan plan;
            plan.hostProgram = hostProgram;
            plan.folder = text_file::pathFromUtf8(folder.toStdString());
            plan.phase = phase;
            plan.killLap = 2 + static_cast<int>(random() % 2);
            plan.lapsAfterResume = 2;
            plan.lapSeconds = lapSeconds;
            plan.seed = static_cast<unsigned>(random());
            r = runKillTrial(plan);
            if (r.outcome != KillTrialResult::Outcome::PortsTaken || attempt >= 4) {
                break;
            }
            // Another program's host or car took a port while this one was down: nothing was
            // measured; the trial is run again.
            ++portRetries;
            std::fprintf(stderr, "trial %d: %s; again\n", i + 1, describe(r).c_str());
            QDir(folder).removeRecursively();
        }
        std::fprintf(stderr, "trial %d/%d: %s\n", i + 1, trials, describe(r).c_str());
        bool keep = true;
        if (r.outcome == KillTrialResult::Outcome::Done) {
            ++run;
            PhaseCount& p = phases[static_cast<std::size_t>(phase)];
            ++p.run;
            lost += static_cast<int>(r.lost.size());
            told += r.repliedLaps;
            stored += r.storedLaps;
            unanswered += r.storedUnanswered;
            down.push_back(r.downMs);
            if (r.resumedErrorMs) {
                const double e = *r.resumedErrorMs;
                errors.push_back(std::fabs(e));
                signedSum += e;
                if (std::fabs(e) <= 20.0) {
                    ++within;
                    ++p.within;
                }
                if (!worst || std::fabs(e) > std::fabs(*worst)) {
                    worst = e;
                    worstLine =
                        "trial " + std::to_string(i + 1) + ", " + killPhaseName(phase) + ", " + r.detail;
                }
            } else {
                ++notComparable;
            }
            keep = !r.lost.empty() || !r.resumedErrorMs || std::fabs(*r.resumedErrorMs) > 20.0;
        } else if (r.outcome == KillTrialResult::Outcome::Failed) {
            ++failed;
        }
        if (keep) {
            std::fprintf(stderr, "    kept: %s\n", qPrintable(folder));
        } else {
            QDir(folder).removeRecursively();
        }
    }
    QDir().rmdir(base);  // only when no trial's folder was kept
    const double minutes =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count() / 60;

    using carsim::percentile;
    std::printf("\n%d of %d trials: laps lost %d, resumed laps within 20 ms: %d\n", run, trials, lost,
                within);
    if (worst) {
        std::printf("worst resumed-lap error: %+.3f ms (%s)\n", *worst, worstLine.c_str());
        std::printf(
            "resumed-lap error |host - own|: p50 %.3f ms, p99 %.3f ms, max %.3f ms over %zu laps; "
            "mean host - own %+.3f ms\n",
            percentile(errors, 50), percentile(errors, 99), percentile(errors, 100), errors.size(),
            signedSum / static_cast<double>(errors.size()));
    }
    std::printf("by phase (trials, resumed laps within 20 ms):");
    for (const KillPhase phase : kKillPhases) {
        const PhaseCount& p = phases[static_cast<std::size_t>(phase)];
        std::printf(" %s %d/%d;", killPhaseName(phase), p.run, p.within);
    }
    std::printf(
        "\nlaps told to the car %d, stored %d; stored but never answered (killed between commit and "
        "reply) %d\n",
        told, stored, unanswered);
    if (!down.empty()) {
        std::printf("host down, kill to car link open again: p50 %.0f ms, max %.0f ms\n",
                    percentile(down, 50), percentile(down, 100));
    }
    std::printf(
        "failed trials %d, resumed laps not comparable %d, trials run again for ports taken by another "
        "program %d; laps of %.2f s, %.1f min, seed %u\n\n",
        failed, notComparable, portRetries, lapSeconds, minutes, seed);
    return run == trials && lost == 0 && within == trials ? 0 : 1;
}

}  // namespace rennik::bench
