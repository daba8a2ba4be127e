#include "store/run_recorder.h"

#include "timing/time_format.h"

namespace rennik::store {
namespace {

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

void RunRecorder::StoredRows::take(const Grid& from) {
    stamps.clear();
    for (int row = 1; row <= from.rowCount(); ++row) {
        stamps.push_back(from.rowRevision(row));
    }
    grid = &from;
    revision = from.revision();
}

// Every change of a row or of the grid's shape moves the grid's revision, and a row's stamp is
// never given again, so a row whose stamp is the one stored holds what the store holds.
RunRecorder::RowChanges RunRecorder::changesOf(const Grid& grid, const StoredRows& stored) {
    RowChanges changes;
    if (stored.grid == &grid && stored.revision == grid.revision()) {
        return changes;
    }
    changes.shorter = stored.stamps.size() > static_cast<std::size_t>(grid.rowCount());
    for (int row = 1; row <= grid.rowCount(); ++row) {
        const std::size_t i = static_cast<std::size_t>(row) - 1;
        if (i >= stored.stamps.size() || stored.stamps[i] != grid.rowRevision(row)) {
            changes.rows.push_back(row);
        }
    }
    return changes;
}

void RunRecorder::committed(const Grid& grid, const RowChanges& changes, StoredRows& stored) {
    stored.stamps.resize(static_cast<std::size_t>(grid.rowCount()));
    for (const int row : changes.rows) {
        stored.stamps[static_cast<std::size_t>(row) - 1] = grid.rowRevision(row);
    }
    stored.grid = &grid;
    stored.revision = grid.revision();
}

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
    laps_.clear();
    drivers_.clear();
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
    laps_.take(screen.car.Spd_LapTime);
    drivers_.take(screen.car.Spd_DriverInfo);
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
        laps_.clear();
        drivers_.clear();
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
    const RowChanges lapChanges = changesOf(laps, laps_);
    const RowChanges driverChanges = changesOf(drivers, drivers_);
    if (changed.empty() && !finishing_ && !lapChanges.any() && !driverChanges.any()) {
        return true;
    }

    if (!store_.begin()) {
        return false;
    }
    bool ok = true;
    for (const auto& [key, value] : changed) {
        ok = ok && store_.putValue(*run_, *key, *value);
    }
    ok = ok && writeRows(LapRows(), laps, lapChanges) && writeRows(DriverRows(), drivers, driverChanges);
    if (ok && lapMoved(values_, values)) {
        ok = store_.noteLastLap(*run_, TwoDigits(now.hour) + ":" + TwoDigits(now.minute) + ":" + TwoDigits(now.second));
    }
    ok = ok && (!finishing_ || store_.finish(*run_)) && store_.commit();
    if (!ok) {
        store_.rollback();
        return false;
    }
    values_ = std::move(values);
    committed(laps, lapChanges, laps_);
    committed(drivers, driverChanges, drivers_);
    flusher_->poke();
    if (observer_) {
        observer_(std::chrono::steady_clock::now() - began);
    }
    return true;
}

bool RunRecorder::writeRows(const GridShape& shape, const Grid& grid, const RowChanges& changes) {
    if (changes.shorter && !store_.dropRowsFrom(shape, *run_, grid.rowCount() + 1)) {
        return false;
    }
    for (const int row : changes.rows) {
        if (!store_.putRow(shape, *run_, row, GridRow(grid, row))) {
            return false;
        }
    }
    return true;
}

}  // namespace rennik::store
