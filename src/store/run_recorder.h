#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/file_lock.h"
#include "store/disk_flusher.h"
#include "store/run_store.h"

// Keeps the run in progress in the run store: after every event, what the handlers changed
// (named values, lap rows, driver rows) is written in one transaction. Only the changes are
// written, found by the grids' row stamps and by comparing the values with the last commit; a
// grid whose revision has not moved since is not read row by row, so that the many reports
// that change no row cost the same at lap 5,000 as at lap 1.
// A commit that fails changes nothing in memory; the crew is told once, and the next attempt
// writes everything missed since the last commit that worked.
namespace rennik::store {

class RunRecorder {
public:
    explicit RunRecorder(std::filesystem::path file);

    StoreOpening open(const LocalDateTime& now);
    RunStore& store() { return store_; }

    // A run begins: its row, then everything as it stands.
    void begin(const RunClock& clock, const RaceState& race, const MainScreen& screen, const LocalDateTime& now);
    // Records on into a run read back from the store: what the screen shows now is what it holds.
    void adopt(std::int64_t run, const RunClock& clock, const RaceState& race, const MainScreen& screen);
    // Commits what changed since the last commit. Nothing is tried while the store is failing:
    // retry() takes that up on its own schedule, away from the datagrams.
    void record(const RaceState& race, const MainScreen& screen, const LocalDateTime& now);
    // The run has ended: its last changes and its end (written later while the store fails).
    void finish(const RaceState& race, const MainScreen& screen, const LocalDateTime& now);
    // While failing: opens the file again and writes everything missed. True when it worked.
    bool retry(const RaceState& race, const MainScreen& screen, const LocalDateTime& now);

    bool recording() const { return run_.has_value(); }
    std::optional<std::int64_t> run() const { return run_; }
    bool failing() const { return failing_; }
    // True once for every spell of failing writes, for the one box that tells the crew.
    bool takeFailureToTell();

    // Called with the time of every commit that wrote something (for the benchmark).
    void setCommitObserver(std::function<void(std::chrono::nanoseconds)> observer) { observer_ = std::move(observer); }

private:
    // What the store holds of one grid, as of the last commit that worked: the stamp of each row,
    // and the grid's revision then (no grid: read every row next time).
    struct StoredRows {
        std::vector<std::uint64_t> stamps;
        const Grid* grid = nullptr;
        std::uint64_t revision = 0;

        void clear() { *this = {}; }
        void take(const Grid& from);
    };
    // The rows of a grid to write (1-based), and whether rows past its end are to be dropped.
    struct RowChanges {
        std::vector<int> rows;
        bool shorter = false;
        bool any() const { return shorter || !rows.empty(); }
    };
    static RowChanges changesOf(const Grid& grid, const StoredRows& stored);
    static void committed(const Grid& grid, const RowChanges& changes, StoredRows& stored);

    bool write(const RaceState& race, const MainScreen& screen, const LocalDateTime& now);
    bool writeRows(const GridShape& shape, const Grid& grid, const RowChanges& changes);
    void fail();
    void ended();

    RunStore store_;
    // Held while this program keeps the folder's runs, so that a second program started on the
    // same folder neither offers the first one's run for resuming nor writes into it.
    std::unique_ptr<FileLock> lock_;
    std::unique_ptr<DiskFlusher> flusher_;
    std::optional<std::int64_t> run_;
    RunClock clock_;
    // What the store holds of the run, as of the last commit that worked.
    std::map<std::string, std::string> values_;
    StoredRows laps_;
    StoredRows drivers_;
    // Stop came: the next write that works marks the run finished and ends the recording.
    bool finishing_ = false;
    bool failing_ = false;
    bool untold_ = false;
    std::function<void(std::chrono::nanoseconds)> observer_;
};

}  // namespace rennik::store
