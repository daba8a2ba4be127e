#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/race_state.h"
#include "store/run_snapshot.h"
#include "store/sqlite_db.h"

// The run store: one SQLite file in the data folder that keeps every run, its laps as rows, its
// driver table and the named values a resume needs. WAL mode: a commit is in the file (the
// operating system's copy of it) when it returns, so a killed program loses nothing committed;
// the disk flusher puts it on the disk itself within half a second.
namespace rennik::store {

// The file's layout version, kept in the file (PRAGMA user_version). A later program reads an
// older store by bringing its layout up step by step; a newer store is kept aside.
inline constexpr int kSchemaVersion = 1;

// Where a run's race clock began: the monotonic clock (exact while the machine has not been
// restarted) and the system clock (what is left after a restart), and the tick period.
struct RunClock {
    std::int64_t startSteadyNs = 0;
    std::int64_t startSystemMs = 0;
    int msPerTick = 1;
};

struct RunSummary {
    std::int64_t id = 0;
    LocalDateTime start;
    bool finished = false;
    int laps = 0;             // rows with a lap time
    std::string bestLap;      // as the screen showed it
    std::string lastLap;      // the time of the last timed row
    std::string lastLapAt;    // the wall-clock moment the last lap was recorded, "HH:MM:SS"
    std::vector<std::string> drivers;
};

struct StoredRun {
    RunSummary summary;
    RunClock clock;
    RunSnapshot snapshot;
};

// How the store came up at the start of the program.
struct StoreOpening {
    enum class Outcome {
        Opened,      // the store is open
        KeptAside,   // the file could not be read; it was renamed to `keptAs`, a fresh one is open
        Unwritable,  // nothing could be opened for writing: runs are not being saved
        InUse,       // another program of this folder holds the store: this one keeps no runs
    };
    Outcome outcome = Outcome::Opened;
    std::filesystem::path keptAs;
};

class RunStore {
public:
    explicit RunStore(std::filesystem::path file);

    const std::filesystem::path& file() const { return file_; }

    // Opens the store, creating it when there is none. A file that is no store, a damaged one,
    // one of a newer layout, or a folder in its place is renamed aside (never deleted) with
    // `now` in its new name, and a fresh store takes its place.
    StoreOpening open(const LocalDateTime& now);
    // Opens the file again after a failure; false while it still cannot be written.
    bool reopen();
    bool isOpen() const { return db_.isOpen(); }
    void close() { db_.close(); }

    // Writing: every change of one event between begin() and commit().
    bool begin();
    bool commit();
    void rollback();
    std::optional<std::int64_t> addRun(const RunClock& clock);
    // The run's row as it was, for a store file made anew after a failure.
    bool ensureRun(std::int64_t id, const RunClock& clock);
    bool putValue(std::int64_t run, const std::string& key, const std::string& value);
    bool putRow(const GridShape& shape, std::int64_t run, int row, const std::vector<std::string>& cells);
    // Drops the rows from `firstRow` on (the grid became shorter).
    bool dropRowsFrom(const GridShape& shape, std::int64_t run, int firstRow);
    bool noteLastLap(std::int64_t run, const std::string& at);
    bool finish(std::int64_t run);

    // Reading.
    std::vector<RunSummary> runs();
    std::optional<std::int64_t> unfinishedRun();
    std::optional<StoredRun> load(std::int64_t run);

    int lastError() const { return db_.lastError(); }

private:
    bool prepareFile();
    bool readable();
    std::filesystem::path keepAside(const LocalDateTime& now);
    RunSummary summary(std::int64_t run);
    GridRows rows(const GridShape& shape, std::int64_t run);

    std::filesystem::path file_;
    Database db_;
};

}  // namespace rennik::store
