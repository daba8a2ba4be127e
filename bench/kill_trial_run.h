#pragma once

#include <QEventLoop>
#include <QObject>
#include <QProcess>
#include <QThread>

#include <chrono>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "carsim/car_engine.h"
#include "kill_trial.h"

// One kill trial as it runs: the host processes it starts and kills, the car on its thread, and
// what the car heard. Shared by the trial's run (kill_trial.cpp) and its verdict
// (kill_trial_verdict.cpp); nothing outside the kill trials uses it.
namespace rennik::bench::detail {

using carsim::Clock;
using Ms = std::chrono::duration<double, std::milli>;

inline double msBetween(Clock::time_point from, Clock::time_point to) { return Ms(to - from).count(); }

inline Clock::duration asDuration(Ms ms) { return std::chrono::duration_cast<Clock::duration>(ms); }

// "ready started|resumed laps N steady_ns T", as rennik1-trial-host prints it.
struct Ready {
    bool resumed = false;
    int laps = 0;
    Clock::time_point at{};
};

// A reply as the car got it, with the moment it was read and the start of its contact window.
struct Heard {
    carsim::ReplyEvent event;
    Clock::time_point at{};
    Clock::time_point windowStart{};
};

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


}  // namespace rennik::bench::detail
