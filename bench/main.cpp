// rennik1-bench: the pit host and a simulated car on this machine, over 127.0.0.1. Prints the
// lap-time error (host's recorded lap against the car's own monotonic measure) on an idle
// machine, with every core kept busy by other processes and with the host's own user-interface
// thread kept busy; the time from a report to its reply; and the CPU time of a running host with
// no traffic; the cost of the run store's commits and the reply latency with the store off and
// on. With --kill-trials N it runs the kill trials instead (kill_bench.h), with --soak N a long
// race in minutes (soak.h). With --live FILE the crew's live view is on meanwhile, its address
// in FILE for a load script (live_load.py). See README.md.
#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "carsim/printing.h"
#include "drive.h"
#include "kill_bench.h"
#include "live_view.h"
#include "rig/host_rig.h"
#include "chart_bench.h"
#include "soak.h"
#include "soak_host.h"

using namespace rennik;

namespace {

struct LapFigures {
    std::vector<double> errors;  // |host - own| in ms
    double meanSigned = 0;
    int missed = 0;  // laps the host answered without a new record
};

// Datagrams the host's sockets read during one phase: with the kernel's arrival stamp, and
// those whose arrival fell back to the moment of the read.
struct ArrivalCounts {
    std::uint64_t stamped = 0;
    std::uint64_t fallbacks = 0;
};

// The counts of the host's sockets while `phase` runs.
template <typename Phase>
ArrivalCounts counted(const ui::QtSocketFactory& sockets, Phase&& phase) {
    const ArrivalCounts before{sockets.arrivalsStamped(), sockets.arrivalFallbacks()};
    phase();
    return {sockets.arrivalsStamped() - before.stamped, sockets.arrivalFallbacks() - before.fallbacks};
}

// Runs the host's event loop for `seconds`.
void serve(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// Laps of one short contact each (a single report), long enough that the host opens the next
// lap row (1 s of silence, seen by its 99 ms lap display) before the car is back.
LapFigures timeLaps(int laps, double lapSeconds, double jitter) {
    carsim::CarPlan plan = e2e::loopbackCar(lapSeconds, laps);
    plan.interval = 1.0;
    plan.contact = 0.05;
    // Laps of slightly different lengths, so the millisecond ticks fall at every phase.
    plan.jitter = jitter;
    // The car of the phase before has just fallen silent: a new car arriving within the host's
    // no-communication time would only prolong that contact, and the host's first lap of this
    // phase would then begin at the other car's last report.
    serve(1.5);
    const carsim::CarSummary s = bench::driveCar(plan);
    LapFigures f;
    double sum = 0;
    for (const carsim::LapComparison& lap : s.laps) {
        // Lap 1 of a run is timed from Start, not from a report: it measures something else.
        if (lap.hostLap == 1) {
            continue;
        }
        if (!lap.hostMs) {
            ++f.missed;
            continue;
        }
        const double e = static_cast<double>(*lap.hostMs) - lap.ownMs;
        sum += e;
        f.errors.push_back(std::fabs(e));
    }
    f.meanSigned = f.errors.empty() ? 0 : sum / static_cast<double>(f.errors.size());
    return f;
}

// One long contact with a report every millisecond, stopped after `reports` replies.
std::vector<double> replyLatencies(int reports) {
    carsim::CarPlan plan;
    plan.bindAddress = QHostAddress(QHostAddress::LocalHost);
    plan.interval = 0.001;
    plan.contact = 1e6;
    plan.lap = 1e6;
    plan.laps = 0;
    const auto enough = [reports](carsim::CarEngine& car, const carsim::ReplyEvent&) {
        if (static_cast<int>(car.summary().latencyMs.size()) >= reports) {
            car.stop();
        }
    };
    const carsim::CarSummary s = bench::driveCar(plan, enough);
    return s.latencyMs;
}

// Report-to-reply latency with the run store off and on, in alternating rounds so that any drift
// of the machine falls on both alike; and the time of every commit while it is on.
struct StoreLatencies {
    std::vector<double> off;
    std::vector<double> on;
    std::vector<double> commitMs;
};

StoreLatencies latenciesWithAndWithoutStore(e2e::HostRig& rig, int reports) {
    StoreLatencies out;
    const int round = std::max(50, reports / 2);
    for (int r = 0; r < 2; ++r) {
        // Off: the host as it was before the run store, which commits every change of a report
        // before its reply goes. With no recorder the handlers record nothing (a null recorder
        // is the host without a store); the recorder is put back as it was, and its next commit
        // writes whatever changed meanwhile.
        std::unique_ptr<store::RunRecorder> kept = std::move(rig.host.recorder);
        const std::vector<double> off = replyLatencies(round);
        rig.host.recorder = std::move(kept);
        out.off.insert(out.off.end(), off.begin(), off.end());

        rig.host.recorder->setCommitObserver([&out](std::chrono::nanoseconds d) {
            out.commitMs.push_back(std::chrono::duration<double, std::milli>(d).count());
        });
        const std::vector<double> on = replyLatencies(round);
        rig.host.recorder->setCommitObserver({});
        out.on.insert(out.on.end(), on.begin(), on.end());
    }
    return out;
}

// CPU seconds of this process (the host alone now) over `seconds` of a run without traffic.
double idleCpu(double seconds) {
    const double before = bench::processCpuSeconds();
    serve(seconds);
    return bench::processCpuSeconds() - before;
}

void progress(const char* what) { std::fprintf(stderr, "rennik1-bench: %s\n", what); }

void latencyRow(const char* name, const std::vector<double>& ms, const char* target,
                const std::string& samples) {
    using carsim::percentile;
    std::printf("%-40s %8.3f %8.3f %8.3f   %-28s %s\n", name, percentile(ms, 50), percentile(ms, 99),
                percentile(ms, 100), target, samples.c_str());
}

// "--kill-trials" given without its count (last, or before another option) means 100 trials,
// "--soak" and "--chart" without their count 5,000 laps.
std::vector<char*> withCounts(int argc, char* argv[]) {
    static char hundred[] = "100";
    static char fiveThousand[] = "5000";
    std::vector<char*> args(argv, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string option(args[i]);
        if ((option == "--kill-trials" || option == "--soak" || option == "--chart") &&
            (i + 1 == args.size() || std::string(args[i + 1]).rfind("-", 0) == 0)) {
            args.insert(args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        option == "--kill-trials" ? hundred : fiveThousand);
        }
    }
    return args;
}

void lapRow(const char* name, const LapFigures& f, const ArrivalCounts& c) {
    using carsim::percentile;
    std::printf(
        "%-40s %8.3f %8.3f %8.3f   %-28s %3zu laps, %d missed, mean host-own %+.3f ms, "
        "%llu of %llu reports at read time\n",
        name, percentile(f.errors, 50), percentile(f.errors, 99), percentile(f.errors, 100),
        "p99 <= 1, max <= 2 (1/1000)", f.errors.size(), f.missed, f.meanSigned,
        static_cast<unsigned long long>(c.fallbacks),
        static_cast<unsigned long long>(c.stamped + c.fallbacks));
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::vector<char*> args = withCounts(argc, argv);
    int count = static_cast<int>(args.size());
    bench::BenchApplication app(count, args.data());
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Lap-time error, reply latency and idle CPU of the Rennik1 host."));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("laps"), QStringLiteral("Laps per lap-time phase (default 150)."),
         QStringLiteral("N"), QStringLiteral("150")},
        {QStringLiteral("lap"), QStringLiteral("Seconds per lap (default 1.15)."), QStringLiteral("S"),
         QStringLiteral("1.15")},
        {QStringLiteral("jitter"),
         QStringLiteral("Random variation of each lap, +/- seconds (default 0.01)."), QStringLiteral("S"),
         QStringLiteral("0.01")},
        {QStringLiteral("reports"), QStringLiteral("Reports timed for latency (default 10000)."),
         QStringLiteral("N"), QStringLiteral("10000")},
        {QStringLiteral("idle"), QStringLiteral("Seconds of CPU measure without traffic (default 30)."),
         QStringLiteral("S"), QStringLiteral("30")},
        {QStringLiteral("kill-trials"),
         QStringLiteral(
             "Instead of the figures above: N kill trials of the host and its run store (default 100; "
             "laps of --lap seconds, default 1.2 here)."),
         QStringLiteral("N")},
        {QStringLiteral("soak"),
         QStringLiteral("Instead of the figures above: a race of N laps (default 5000) with the run store on, "
                        "laps of --lap race seconds (default 2.0 here) on a race clock --speed times as fast."),
         QStringLiteral("N")},
        {QStringLiteral("chart"),
         QStringLiteral("Instead of the figures above: the lap chart's drawing for a run of N laps (default "
                        "5000), offscreen."),
         QStringLiteral("N")},
        {QStringLiteral("speed"),
         QStringLiteral("With --soak: how many times as fast as the wall clock the race runs (default 20, "
                        "at most 100)."),
         QStringLiteral("K"), QStringLiteral("20")},
        {QStringLiteral("live"),
         QStringLiteral("Turn the live view on at 127.0.0.1:--live-port for the whole measure and write the "
                        "address a phone opens into FILE, for a load script."),
         QStringLiteral("FILE")},
        {QStringLiteral("live-port"), QStringLiteral("With --live: the view's port (default 18433)."),
         QStringLiteral("PORT"), QStringLiteral("18433")},
    });
    p.process(app);
    if (p.isSet(QStringLiteral("kill-trials"))) {
        const double lap = p.isSet(QStringLiteral("lap")) ? p.value(QStringLiteral("lap")).toDouble() : 1.2;
        return bench::runKillTrials(
            std::max(1, p.value(QStringLiteral("kill-trials")).toInt()), std::max(1.15, lap),
            QCoreApplication::applicationDirPath() + QStringLiteral("/rennik1-trial-host"));
    }
    if (p.isSet(QStringLiteral("chart"))) {
        return bench::runChartBench(std::max(200, p.value(QStringLiteral("chart")).toInt()));
    }
    if (p.isSet(QStringLiteral("soak"))) {
        bench::SoakPlan soak;
        soak.laps = std::max(1, p.value(QStringLiteral("soak")).toInt());
        // Beyond 100 times, a contact's reports would come closer than the car's timer can tell.
        soak.speed = std::clamp(p.value(QStringLiteral("speed")).toDouble(), 1.0, 100.0);
        // A lap holds its contact (0.08 s) and the 1.5 s of silence the car keeps before the next.
        soak.lapSeconds =
            std::max(1.6, p.isSet(QStringLiteral("lap")) ? p.value(QStringLiteral("lap")).toDouble() : 2.0);
        return bench::runSoak(app, soak);
    }
    const int laps = std::max(2, p.value(QStringLiteral("laps")).toInt());
    const double lap = std::max(1.12, p.value(QStringLiteral("lap")).toDouble());
    const double jitter = std::clamp(p.value(QStringLiteral("jitter")).toDouble(), 0.0, lap - 1.12);
    const int reports = std::max(100, p.value(QStringLiteral("reports")).toInt());
    const double idle = std::max(1.0, p.value(QStringLiteral("idle")).toDouble());
    const auto began = std::chrono::steady_clock::now();

    e2e::HostRig rig;
    rig.window.show();
    rig.enterAddress("127.0.0.1");
    rig.start();
    if (rig.host.main.Btn_Start.caption() != "Stop") {
        std::fprintf(stderr, "rennik1-bench: the run did not start: %s\n",
                     rig.dialogs.boxes.empty() ? "?" : rig.dialogs.boxes.back().text.c_str());
        return 1;
    }

    if (p.isSet(QStringLiteral("live"))) {
        const QString address = bench::turnOnLiveView(rig, p.value(QStringLiteral("live-port")).toInt());
        QFile file(p.value(QStringLiteral("live")));
        if (address.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(address.toUtf8() + '\n') < 0) {
            std::fprintf(stderr, "rennik1-bench: the live view did not start, or its address could not be written\n");
            return 1;
        }
        file.close();
        progress(qPrintable(QStringLiteral("live view on at ") + address));
    }
    progress("lap times, idle machine");
    LapFigures quiet;
    const ArrivalCounts quietCounts = counted(rig.sockets, [&] { quiet = timeLaps(laps, lap, jitter); });
    progress("lap times, every core kept busy by other processes");
    LapFigures loaded;
    std::size_t spinners = 0;
    const ArrivalCounts loadedCounts = counted(rig.sockets, [&] {
        const bench::SpinningProcesses others(QThread::idealThreadCount());
        spinners = others.running();
        loaded = timeLaps(laps, lap, jitter);
    });
    progress("lap times, the host's user-interface thread busy 30 ms in every 100 ms");
    LapFigures uiBusy;
    const ArrivalCounts uiBusyCounts = counted(rig.sockets, [&] {
        const bench::BusyUiThread redraws(30, 100);
        uiBusy = timeLaps(laps, lap, jitter);
    });
    progress("report-to-reply latency, the run store off and on");
    StoreLatencies latency;
    const ArrivalCounts latencyCounts =
        counted(rig.sockets, [&] { latency = latenciesWithAndWithoutStore(rig, reports); });
    progress("CPU time without traffic");
    const double cpu = idleCpu(idle);
    rig.stop();
    const double minutes =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count() / 60;

    std::printf("\nRennik1 bench: host and simulated car on 127.0.0.1, %d cores, Qt platform %s, %.1f min\n",
                QThread::idealThreadCount(), qPrintable(QGuiApplication::platformName()), minutes);
    const std::string loadedName = "lap-time error, " + std::to_string(spinners) + " processes spinning";
    std::printf("%-40s %8s %8s %8s   %-28s %s\n", "measure (ms)", "p50", "p99", "max", "target", "samples");
    lapRow("lap-time error |host - own|, idle", quiet, quietCounts);
    lapRow(loadedName.c_str(), loaded, loadedCounts);
    lapRow("lap-time error, host UI thread 30/100 ms", uiBusy, uiBusyCounts);
    const std::string timedAtRead = ", " + std::to_string(latencyCounts.fallbacks) + " of both at read time";
    latencyRow("report-to-reply latency, store off", latency.off, "p99 < 1 ms",
               std::to_string(latency.off.size()) + " reports (the host before the store)");
    latencyRow("report-to-reply latency, store on", latency.on, "p99 < 1 ms",
               std::to_string(latency.on.size()) + " reports" + timedAtRead);
    latencyRow("run store commit, store on", latency.commitMs, "-",
               std::to_string(latency.commitMs.size()) + " commits in those reports");
    std::printf("%-40s %8.2f %% of one core (%.3f s CPU in %.0f s)   target < 1 %%\n\n",
                "host CPU, running, no traffic", 100.0 * cpu / idle, cpu, idle);
    return 0;
}
