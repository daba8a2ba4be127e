#include "soak.h"

#include <QEventLoop>
#include <QTableWidget>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/sjis.h"
#include "base/text_file.h"
#include "carlink/lap_table.h"
#include "carlink/wire_format.h"
#include "carsim/printing.h"
#include "core/controls.h"
#include "soak_car.h"
#include "soak_host.h"
#include "soak_meter.h"

namespace rennik::bench {
namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) { return ms(to - from); }

void serve(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

struct LapWindow {
    int from;
    int to;
};

// Around lap 10, lap 1,000 and the last lap, as far as the soak has laps for them.
std::vector<LapWindow> windowsFor(int laps) {
    std::vector<LapWindow> windows{{1, std::min(100, laps)}};
    if (laps >= 1150) {
        windows.push_back({951, 1050});
    }
    if (laps > 200) {
        windows.push_back({laps - 99, laps});
    }
    return windows;
}

std::vector<double> valuesIn(const std::vector<LapSample>& laps, LapWindow w, double LapSample::*field) {
    std::vector<double> values;
    for (int lap = w.from; lap <= w.to && static_cast<std::size_t>(lap) < laps.size(); ++lap) {
        if (laps[static_cast<std::size_t>(lap)].closed) {
            values.push_back(laps[static_cast<std::size_t>(lap)].*field);
        }
    }
    return values;
}

void figureRows(const char* name, const std::vector<LapSample>& laps, double LapSample::*field,
                const char* target) {
    using carsim::percentile;
    for (const LapWindow& w : windowsFor(static_cast<int>(laps.size()) - 2)) {
        const std::vector<double> v = valuesIn(laps, w, field);
        const std::string range = std::to_string(w.from) + "-" + std::to_string(w.to);
        std::printf("%-44s %-10s %8.3f %8.3f %8.3f   %s\n", name, range.c_str(), percentile(v, 50),
                    percentile(v, 99), percentile(v, 100), target);
        name = "";
        target = "";
    }
}

// Lines of the result file that carry a lap: "<lap>,<time>,...".
int lapLines(const std::filesystem::path& file) {
    const std::string text = sjis::toUtf8(text_file::readBytes(file).value_or(""));
    int count = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        std::size_t digits = at;
        while (digits < end && text[digits] >= '0' && text[digits] <= '9') {
            ++digits;
        }
        count += digits > at && digits < end && text[digits] == ',' ? 1 : 0;
        at = end + 1;
    }
    return count;
}

// The ticks column of a stored lap row, or nothing for a row without a time (or with no number).
std::optional<std::int64_t> rowTicks(const std::vector<std::string>& cells) {
    const std::size_t column = static_cast<std::size_t>(LapColumn::Ticks) - 1;
    if (cells.size() <= column) {
        return std::nullopt;
    }
    const std::string& text = cells[column];
    std::int64_t ticks = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), ticks);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return ticks;
}

// Every lap: what the car was told, what the lap table shows, what the run store and the result
// file hold.
struct LapAccount {
    int told = 0;        // lap records the car received (its first one included)
    int timedRows = 0;   // rows of the lap table with a time
    int storedLaps = 0;  // rows of the run store with a time
    int fileLaps = 0;    // lap lines of the result file written at the Stop
    int differing = 0;   // laps told whose time the table or the store holds otherwise, or not at all
};

LapAccount account(const SoakCarSummary& car, const Grid& table, const store::GridRows& stored, int fileLaps) {
    LapAccount a;
    a.told = static_cast<int>(car.told.size());
    a.fileLaps = fileLaps;
    for (int r = 1; r <= table.rowCount(); ++r) {
        a.timedRows += RowLapTicks(table, r) ? 1 : 0;
    }
    for (const store::GridRows::value_type& row : stored) {
        a.storedLaps += rowTicks(row) ? 1 : 0;
    }
    // The n-th record told is lap n: its lap field, the row's time and the stored row's time.
    for (std::size_t i = 0; i < car.told.size(); ++i) {
        const ToldLap& lap = car.told[i];
        const int row = static_cast<int>(i) + 1;
        const std::optional<double> shown = RowLapTicks(table, row);
        const std::optional<std::int64_t> kept = i < stored.size() ? rowTicks(stored[i]) : std::nullopt;
        if (lap.lapNumber != wire::lapFieldNumber(row) || !shown || !kept ||
            static_cast<std::int64_t>(*shown) != lap.lastLapMs || *kept != lap.lastLapMs) {
            ++a.differing;
        }
    }
    return a;
}

// The run store's file and its log (the commits not yet copied into the file), in MB.
struct StoreSize {
    double fileMb = 0;
    double logMb = 0;
};

StoreSize storeSizeOf(const std::filesystem::path& file) {
    std::filesystem::path log = file;
    log += "-wal";
    std::error_code error;
    const auto mb = [&error](const std::filesystem::path& p) {
        const auto bytes = std::filesystem::file_size(p, error);
        return error ? 0.0 : static_cast<double>(bytes) / (1024.0 * 1024.0);
    };
    return {mb(file), mb(log)};
}

struct SaveTimes {
    double stopMs = 0;  // Btn_Start as Stop: the last commit and the result in the results folder
    double saveMs = 0;  // "ファイル書込" to a file of the data folder
    std::filesystem::path stopFile;
    std::filesystem::path savedFile;
};

SaveTimes stopAndSave(SoakHost& soak) {
    SaveTimes times;
    auto t = Clock::now();
    soak.stop();
    times.stopMs = msBetween(t, Clock::now());
    times.savedFile = soak.dir / "saved.txt";
    t = Clock::now();
    soak.save(text_file::pathToUtf8(times.savedFile));
    times.saveMs = msBetween(t, Clock::now());
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(soak.dir / "results", error)) {
        times.stopFile = entry.path();
    }
    return times;
}

void printMemory(double startMb, double endMb, const std::map<int, double>& rss, int laps) {
    std::printf("resident memory (MB): start %.1f, end %.1f", startMb, endMb);
    const auto at1000 = rss.find(1000);
    if (at1000 != rss.end()) {
        std::printf(", lap 1,000 %.1f; from lap 1,000 to the end %+.2f KB a lap", at1000->second,
                    1024 * (endMb - at1000->second) / (laps - 1000));
    }
    std::printf("   target < 60 MB and flat\n");
    if (!rss.empty()) {
        std::printf("  by lap:");
        for (const auto& [lap, mb] : rss) {
            std::printf(" %d: %.1f;", lap, mb);
        }
        std::printf("\n");
    }
}

}  // namespace

int runSoak(BenchApplication& app, const SoakPlan& plan) {
    const auto began = Clock::now();
    SoakHost soak(plan.speed);
    SoakMeter meter(soak, plan.laps);
    soak.window.show();
    soak.enterAddress("127.0.0.1");
    soak.start();
    if (soak.host.main.Btn_Start.caption() != "Stop" || !soak.host.recorder) {
        std::fprintf(stderr, "rennik1-bench: the run did not start: %s\n",
                     soak.dialogs.boxes.empty() ? "?" : soak.dialogs.boxes.back().text.c_str());
        return 1;
    }
    const std::int64_t run = soak.host.recorder->run().value_or(0);
    soak.sockets.probe.port = wire::carLocalPort(0);
    soak.sockets.probe.read = [&meter](Clock::time_point arrived) { meter.read(arrived); };
    soak.sockets.probe.sent = [&meter] { meter.sent(); };
    soak.sockets.probe.handled = [&meter] { meter.handled(); };
    soak.sockets.probe.redrawn = [&meter](std::chrono::nanoseconds d) { meter.redrawn(d); };
    soak.host.recorder->setCommitObserver([&meter](std::chrono::nanoseconds d) { meter.committed(d); });
    app.timePaints(soak.lapTable(), [&meter](std::chrono::nanoseconds d) { meter.painted(d); });
    serve(0.5);
    const double startMb = residentMb();

    // The car in race seconds, on the wall clock `speed` times as short: three reports 0.04 s
    // apart at the start of each lap, then silence until the next. Its first report closes lap 1,
    // begun at the Start.
    SoakCarPlan car;
    car.laps = plan.laps;
    car.lapMs = 1000 * plan.lapSeconds / plan.speed;
    car.repeatGapMs = 40 / plan.speed;
    car.silenceMs = 1000.0 * soak.host.race.Settings.NoInputTicks / soak.host.race.Settings.TicksPerSecond / plan.speed;
    car.message = "了解";
    std::fprintf(stderr, "rennik1-bench: soak, %d laps of %.3f s, race clock %gx (%.0f ms a lap)\n", plan.laps,
                 plan.lapSeconds, plan.speed, car.lapMs);
    const SoakCarSummary driven = driveSoakCar(car);
    if (!driven.error.isEmpty()) {
        std::fprintf(stderr, "rennik1-bench: %s\n", qPrintable(driven.error));
        return 1;
    }
    // Twice the silence: the lap display opens the row of the lap after the last, as at a pit
    // stop before the crew presses Stop.
    serve(2.0 / plan.speed + 0.3);
    const double endMb = residentMb();
    app.timePaints(nullptr, {});
    soak.host.recorder->setCommitObserver({});
    soak.sockets.probe = SocketProbe{};
    const std::size_t boxes = soak.dialogs.boxes.size();
    const StoreSize storeSize = storeSizeOf(soak.host.recorder->store().file());
    const int tableRows = soak.lapTable()->rowCount();
    const SaveTimes saved = stopAndSave(soak);
    const std::optional<store::StoredRun> stored = soak.host.recorder->store().load(run);
    const LapAccount laps = account(driven, soak.host.main.car.Spd_LapTime,
                                    stored ? stored->snapshot.laps : store::GridRows{}, lapLines(saved.stopFile));
    const double minutes = std::chrono::duration<double>(Clock::now() - began).count() / 60;

    const std::vector<LapSample>& samples = meter.laps();
    std::printf("\nRennik1 soak: %d laps of %.3f s, race clock %gx the wall clock (%.0f ms a lap), 1 s silence, "
                "%d cores, Qt platform %s, %.1f min\n",
                plan.laps, plan.lapSeconds, plan.speed, car.lapMs, QThread::idealThreadCount(),
                qPrintable(QGuiApplication::platformName()), minutes);
    std::printf("%-44s %-10s %8s %8s %8s   %s\n", "measure (ms)", "laps", "p50", "p99", "max", "target");
    figureRows("lap report: read to reply sent", samples, &LapSample::replyMs, "< 1 ms at the last laps");
    figureRows("  the same in CPU time of the host's thread", samples, &LapSample::replyCpuMs, "");
    figureRows("  of which the run store's commit", samples, &LapSample::commitMs, "-");
    figureRows("lap report: kernel arrival to reply sent", samples, &LapSample::arrivalMs, "-");
    figureRows("lap table: widgets brought in line", samples, &LapSample::syncMs, "-");
    figureRows("lap table: its paints in one lap (sum)", samples, &LapSample::paintMs, "-");
    int paints = 0;
    for (const LapSample& sample : samples) {
        paints += sample.paints;
    }
    printMemory(startMb, endMb, meter.rss(), plan.laps);
    std::error_code error;
    std::printf("run store at the end: file %.1f MB, log %.1f MB\n", storeSize.fileMb, storeSize.logMb);
    std::printf("result file (%.0f KB): Stop with its results-folder write %.1f ms, save button %.1f ms\n",
                static_cast<double>(std::filesystem::file_size(saved.savedFile, error)) / 1024, saved.stopMs,
                saved.saveMs);
    std::printf("laps: car drove %d, host heard %d (silences as the reports arrived), car told %d, lap table %d "
                "(%d rows shown), run store %d, result file %d; %d told differ from table or store\n",
                driven.laps, meter.silences(), laps.told, laps.timedRows, tableRows, laps.storedLaps, laps.fileLaps,
                laps.differing);
    std::printf("car: shortest silence %.1f ms, longest gap within a contact %.1f ms (the host's silence %.1f ms); "
                "%d laps held back and %d repeats dropped to keep them apart; %d reports, %d replies; "
                "%d lap table paints, %zu boxes during the run\n\n",
                meter.shortestSilenceMs(), meter.longestContactGapMs(), car.silenceMs, driven.heldBack,
                driven.repeatsDropped, driven.reports, driven.replies, paints, boxes);
    const int heard = meter.silences();
    const bool hostKeptAll = laps.told == heard && laps.timedRows == heard && laps.storedLaps == heard &&
                             laps.fileLaps == heard && laps.differing == 0;
    if (!hostKeptAll) {
        std::printf("LAPS LOST OR CHANGED by the host: see the line above\n");
    } else if (heard != driven.laps) {
        std::printf("the host heard %d laps of the %d the car drove\n", heard, driven.laps);
    }
    return hostKeptAll && heard == driven.laps ? 0 : 1;
}

}  // namespace rennik::bench
