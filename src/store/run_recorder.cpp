#include "store/run_recorder.h"

#include "timing/time_format.h"

namespace rennik::store {
namespace {

std::vector<std::uint64_t> stampsOf(const Grid& grid) {
    std::vector<std::uint64_t> stamps;
    for (int row = 1; row <= grid.rowCount(); ++row) {
        stamps.push_back(grid.rowRevision(row));
    }
    return stamps;
}

// A lap was recorded (or the count moved by hand) when these change.
bool lapMoved(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& now) {
    for (const char* key : {"car0.LapCnt", "car0.LastLapText"}) {
        const auto a = before.find(key);
        const auto b = now.find(key);
        if (a == before.end() || b == now.end() || a->second != b->second) {
            return true;
        }
    }
    return false;
}

}  // namespace

RunRecorder::RunRecorder(std::filesystem::path file) : store_(std::move(file)) {}

StoreOpening RunRecorder::open(const LocalDateTime& now) {
    std::filesystem::path lockFile = store_.file();
    lockFile += ".lock";
    lock_ = std::make_unique<FileLock>(lockFile);
    if (lock_->takenByAnother()) {
        return {StoreOpening::Outcome::InUse, {}};
    }
    const StoreOpening opening = store_.open(now);
    flusher_ = std::make_unique<DiskFlusher>(store_.file());
    if (opening.outcome == StoreOpening::Outcome::Unwritable) {
        fail();
    }
    return opening;
}

void RunRecorder::begin(const RunClock& clock, const RaceState& race, const MainScreen& screen,
                        const LocalDateTime& now) {
    clock_ = clock;
    values_.clear();
    lapStamps_.clear();
    driverStamps_.clear();
    ended();
    if (!failing_ && store_.isOpen()) {
        if (const auto id = store_.addRun(clock)) {
            run_ = id;
        }
    }
    if (!run_) {
        // The run is timed all the same; its row is written once the store works again.
        run_ = 0;
        fail();
        return;
    }
    record(race, screen, now);
}

void RunRecorder::adopt(std::int64_t run, const RunClock& clock, const RaceState& race, const MainScreen& screen) {
    run_ = run;
    clock_ = clock;
    values_ = RunValues(race, screen);
    lapStamps_ = stampsOf(screen.car.Spd_LapTime);
    driverStamps_ = stampsOf(screen.car.Spd_DriverInfo);
}

void RunRecorder::record(const RaceState& race, const MainScreen& screen, const LocalDateTime& now) {
    if (run_ && !failing_ && !write(race, screen, now)) {
        fail();
    }
}

void RunRecorder::finish(const RaceState& race, const MainScreen& screen, const LocalDateTime& now) {
    if (!run_) {
        return;
    }
    finishing_ = true;
    if (failing_) {
        // Written, with its end, once the store works again.
        retry(race, screen, now);
    } else if (write(race, screen, now)) {
        ended();
    } else {
        fail();
    }
}

void RunRecorder::ended() {
    run_.reset();
    finishing_ = false;
}

bool RunRecorder::retry(const RaceState& race, const MainScreen& screen, const LocalDateTime& now) {
    if (!failing_) {
        return true;
    }
    // The file may be gone with its stick, or a fresh one made: open it again, make sure the
    // run's row is there, and write everything as it stands.
    store_.close();
    if (!store_.reopen()) {
        return false;
    }
    if (run_) {
        if (*run_ == 0) {
            const auto id = store_.addRun(clock_);
            if (!id) {
                return false;
            }
            run_ = id;
        } else if (!store_.ensureRun(*run_, clock_)) {
            return false;
        }
        values_.clear();
        lapStamps_.clear();
        driverStamps_.clear();
        if (!write(race, screen, now)) {
            return false;
        }
        if (finishing_) {
            ended();
        }
    }
    failing_ = false;
    return true;
}

bool RunRecorder::takeFailureToTell() { return std::exchange(untold_, false); }

void RunRecorder::fail() {
    if (!failing_) {
        untold_ = true;
    }
    failing_ = true;
}

bool RunRecorder::write(const RaceState& race, const MainScreen& screen, const LocalDateTime& now) {
    const auto began = std::chrono::steady_clock::now();
    std::map<std::string, std::string> values = RunValues(race, screen);
    std::vector<std::pair<const std::string*, const std::string*>> changed;
    for (const auto& [key, value] : values) {
        const auto old = values_.find(key);
        if (old == values_.end() || old->second != value) {
            changed.emplace_back(&key, &value);
        }
    }
    const Grid& laps = screen.car.Spd_LapTime;
    const Grid& drivers = screen.car.Spd_DriverInfo;
    const auto rowsMoved = [](const Grid& grid, const std::vector<std::uint64_t>& stamps) {
        if (static_cast<std::size_t>(grid.rowCount()) != stamps.size()) {
            return true;
        }
        for (int row = 1; row <= grid.rowCount(); ++row) {
            if (grid.rowRevision(row) != stamps[static_cast<std::size_t>(row) - 1]) {
                return true;
            }
        }
        return false;
    };
    if (changed.empty() && !finishing_ && !rowsMoved(laps, lapStamps_) && !rowsMoved(drivers, driverStamps_)) {
        return true;
    }

    if (!store_.begin()) {
        return false;
    }
    std::vector<std::uint64_t> lapStamps = lapStamps_;
    std::vector<std::uint64_t> driverStamps = driverStamps_;
    bool ok = true;
    for (const auto& [key, value] : changed) {
        ok = ok && store_.putValue(*run_, *key, *value);
    }
    ok = ok && writeRows(LapRows(), laps, lapStamps) && writeRows(DriverRows(), drivers, driverStamps);
    if (ok && lapMoved(values_, values)) {
        ok = store_.noteLastLap(*run_, TwoDigits(now.hour) + ":" + TwoDigits(now.minute) + ":" + TwoDigits(now.second));
    }
    ok = ok && (!finishing_ || store_.finish(*run_)) && store_.commit();
    if (!ok) {
        store_.rollback();
        return false;
    }
    values_ = std::move(values);
    lapStamps_ = std::move(lapStamps);
    driverStamps_ = std::move(driverStamps);
    flusher_->poke();
    if (observer_) {
        observer_(std::chrono::steady_clock::now() - began);
    }
    return true;
}

bool RunRecorder::writeRows(const GridShape& shape, const Grid& grid, std::vector<std::uint64_t>& stamps) {
    const int count = grid.rowCount();
    if (static_cast<int>(stamps.size()) > count) {
        if (!store_.dropRowsFrom(shape, *run_, count + 1)) {
            return false;
        }
        stamps.resize(static_cast<std::size_t>(count));
    }
    for (int row = 1; row <= count; ++row) {
        const std::size_t i = static_cast<std::size_t>(row) - 1;
        const std::uint64_t stamp = grid.rowRevision(row);
        if (i < stamps.size() && stamps[i] == stamp) {
            continue;
        }
        if (!store_.putRow(shape, *run_, row, GridRow(grid, row))) {
            return false;
        }
        if (i < stamps.size()) {
            stamps[i] = stamp;
        } else {
            stamps.push_back(stamp);
        }
    }
    return true;
}

}  // namespace rennik::store
