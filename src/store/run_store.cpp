#include "store/run_store.h"

#include <sqlite3.h>

#include <cstdio>
#include <system_error>

namespace rennik::store {
namespace {

// "RNK1": marks the file as this program's run store.
constexpr std::int64_t kApplicationId = 0x524E4B31;

// The layout, one step per version: a store of version n is brought up by the steps after n.
const char* const kLayoutSteps[] = {
    R"(CREATE TABLE runs(
           id INTEGER PRIMARY KEY,
           start_steady_ns INTEGER NOT NULL,
           start_system_ms INTEGER NOT NULL,
           ms_per_tick INTEGER NOT NULL,
           finished INTEGER NOT NULL DEFAULT 0,
           last_lap_at TEXT NOT NULL DEFAULT '');
       CREATE TABLE run_values(
           run_id INTEGER NOT NULL REFERENCES runs(id), key TEXT NOT NULL, value TEXT NOT NULL,
           PRIMARY KEY(run_id, key)) WITHOUT ROWID;
       CREATE TABLE laps(
           run_id INTEGER NOT NULL REFERENCES runs(id), lap INTEGER NOT NULL,
           time TEXT NOT NULL, driver TEXT NOT NULL, remark TEXT NOT NULL, ticks TEXT NOT NULL,
           message_log TEXT NOT NULL,
           PRIMARY KEY(run_id, lap)) WITHOUT ROWID;
       CREATE TABLE driver_rows(
           run_id INTEGER NOT NULL REFERENCES runs(id), row INTEGER NOT NULL,
           driver TEXT NOT NULL, best_lap TEXT NOT NULL, ave_lap TEXT NOT NULL,
           PRIMARY KEY(run_id, row)) WITHOUT ROWID;)",
};
static_assert(std::size(kLayoutSteps) == kSchemaVersion);

std::string twoDigits(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", n);
    return buffer;
}

}  // namespace

RunStore::RunStore(std::filesystem::path file) : file_(std::move(file)) {}

StoreOpening RunStore::open(const LocalDateTime& now) {
    std::error_code error;
    const bool folderInPlace = std::filesystem::is_directory(file_, error);
    if (!folderInPlace && db_.open(file_) && readable()) {
        if (prepareFile()) {
            return {};
        }
        db_.close();
        return {StoreOpening::Outcome::Unwritable, {}};
    }
    // Failing to open for writing is no reason to move the file: only one that is there and
    // cannot be read as a store is kept aside.
    const int reason = db_.lastError();
    db_.close();
    const bool unreadable = folderInPlace || reason == SQLITE_NOTADB || reason == SQLITE_CORRUPT ||
                            reason == SQLITE_OK || reason == SQLITE_ROW;
    if (!unreadable || !std::filesystem::exists(file_, error)) {
        return {StoreOpening::Outcome::Unwritable, {}};
    }
    StoreOpening opening{StoreOpening::Outcome::KeptAside, keepAside(now)};
    if (opening.keptAs.empty() || !db_.open(file_) || !prepareFile()) {
        db_.close();
        opening.outcome = StoreOpening::Outcome::Unwritable;
    }
    return opening;
}

bool RunStore::reopen() {
    if (db_.open(file_) && readable() && prepareFile()) {
        return true;
    }
    db_.close();
    return false;
}

// The file is a store of this program that can be read: a layout not newer than this one, the
// program's own mark (or an empty file), and every page sound. Failures leave the reason in
// lastError(); a sound file of the wrong kind leaves SQLITE_OK.
bool RunStore::readable() {
    const std::int64_t version = db_.scalar("PRAGMA user_version", -1);
    if (version < 0 || version > kSchemaVersion) {
        return false;
    }
    const std::int64_t application = db_.scalar("PRAGMA application_id", -1);
    const std::int64_t tables = db_.scalar("SELECT count(*) FROM sqlite_master", -1);
    if (application != kApplicationId && !(application == 0 && tables == 0)) {
        return false;
    }
    Statement check = db_.prepare("PRAGMA quick_check");
    if (!check.row() || check.text(0) != "ok") {
        return false;
    }
    check.run();
    return true;
}

bool RunStore::prepareFile() {
    Statement mode = db_.prepare("PRAGMA journal_mode=WAL");
    if (!mode.row() || mode.text(0) != "wal") {
        return false;
    }
    mode.run();
    // A commit never waits for the disk: it is in the operating system's hands when it returns,
    // which a killed program cannot undo. The disk flusher, on its own thread and connection,
    // syncs the log and copies it into the file; every sync of this connection would hold up the
    // reply to the car (the first commit after each copy would sync the log's header, 5 ms).
    if (!db_.exec("PRAGMA synchronous=OFF; PRAGMA wal_autocheckpoint=0; PRAGMA busy_timeout=200")) {
        return false;
    }
    const std::int64_t version = db_.scalar("PRAGMA user_version", -1);
    if (version == kSchemaVersion) {
        return true;
    }
    if (!db_.exec("BEGIN IMMEDIATE")) {
        return false;
    }
    for (std::int64_t step = version; step < kSchemaVersion; ++step) {
        if (!db_.exec(kLayoutSteps[step])) {
            rollback();
            return false;
        }
    }
    if (!db_.exec("PRAGMA user_version=" + std::to_string(kSchemaVersion) +
                  "; PRAGMA application_id=" + std::to_string(kApplicationId)) ||
        !commit()) {
        rollback();
        return false;
    }
    return true;
}

std::filesystem::path RunStore::keepAside(const LocalDateTime& now) {
    const std::string stamp = std::to_string(now.year) + twoDigits(now.month) + twoDigits(now.day) + "-" +
                              twoDigits(now.hour) + twoDigits(now.minute) + twoDigits(now.second);
    for (int n = 1; n < 100; ++n) {
        std::string suffix = ".unreadable-";
        suffix += stamp;
        if (n > 1) {
            suffix += '-';
            suffix += std::to_string(n);
        }
        std::filesystem::path aside = file_;
        aside += suffix;
        std::error_code error;
        if (std::filesystem::exists(aside, error)) {
            continue;
        }
        std::filesystem::rename(file_, aside, error);
        if (error) {
            return {};
        }
        // The log files belong to the file kept aside: a fresh store must not read them.
        for (const char* part : {"-wal", "-shm"}) {
            std::filesystem::path from = file_;
            from += part;
            std::filesystem::path to = aside;
            to += part;
            if (std::filesystem::exists(from, error)) {
                std::filesystem::rename(from, to, error);
            }
        }
        return aside;
    }
    return {};
}

bool RunStore::begin() { return db_.exec("BEGIN IMMEDIATE"); }
bool RunStore::commit() { return db_.exec("COMMIT"); }
void RunStore::rollback() { db_.exec("ROLLBACK"); }

std::optional<std::int64_t> RunStore::addRun(const RunClock& clock) {
    if (!db_.prepare("INSERT INTO runs(start_steady_ns, start_system_ms, ms_per_tick) VALUES(?, ?, ?)")
             .bind(1, clock.startSteadyNs)
             .bind(2, clock.startSystemMs)
             .bind(3, clock.msPerTick)
             .run()) {
        return std::nullopt;
    }
    return db_.lastInsertId();
}

bool RunStore::ensureRun(std::int64_t id, const RunClock& clock) {
    return db_
        .prepare("INSERT OR IGNORE INTO runs(id, start_steady_ns, start_system_ms, ms_per_tick) VALUES(?, ?, ?, ?)")
        .bind(1, id)
        .bind(2, clock.startSteadyNs)
        .bind(3, clock.startSystemMs)
        .bind(4, clock.msPerTick)
        .run();
}

bool RunStore::putValue(std::int64_t run, const std::string& key, const std::string& value) {
    return db_.prepare("INSERT OR REPLACE INTO run_values(run_id, key, value) VALUES(?, ?, ?)")
        .bind(1, run)
        .bind(2, key)
        .bind(3, value)
        .run();
}

bool RunStore::putRow(const GridShape& shape, std::int64_t run, int row, const std::vector<std::string>& cells) {
    std::string names = std::string("run_id, ") + shape.rowKey;
    std::string marks = "?, ?";
    for (const char* column : shape.columns) {
        names += std::string(", ") + column;
        marks += ", ?";
    }
    Statement put =
        db_.prepare("INSERT OR REPLACE INTO " + std::string(shape.table) + "(" + names + ") VALUES(" + marks + ")");
    put.bind(1, run).bind(2, row);
    for (std::size_t c = 0; c < shape.columns.size(); ++c) {
        put.bind(static_cast<int>(c) + 3, c < cells.size() ? cells[c] : std::string());
    }
    return put.run();
}

bool RunStore::dropRowsFrom(const GridShape& shape, std::int64_t run, int firstRow) {
    return db_
        .prepare("DELETE FROM " + std::string(shape.table) + " WHERE run_id = ? AND " + shape.rowKey + " >= ?")
        .bind(1, run)
        .bind(2, firstRow)
        .run();
}

bool RunStore::noteLastLap(std::int64_t run, const std::string& at) {
    return db_.prepare("UPDATE runs SET last_lap_at = ? WHERE id = ?").bind(1, at).bind(2, run).run();
}

bool RunStore::finish(std::int64_t run) {
    return db_.prepare("UPDATE runs SET finished = 1 WHERE id = ?").bind(1, run).run();
}

std::vector<RunSummary> RunStore::runs() {
    std::vector<std::int64_t> ids;
    Statement query = db_.prepare("SELECT id FROM runs ORDER BY id DESC");
    while (query.row()) {
        ids.push_back(query.integer(0));
    }
    std::vector<RunSummary> out;
    for (const std::int64_t id : ids) {
        out.push_back(summary(id));
    }
    return out;
}

std::optional<std::int64_t> RunStore::unfinishedRun() {
    const std::int64_t id = db_.scalar("SELECT id FROM runs WHERE finished = 0 ORDER BY id DESC LIMIT 1", 0);
    return id > 0 ? std::optional<std::int64_t>(id) : std::nullopt;
}

std::optional<StoredRun> RunStore::load(std::int64_t run) {
    Statement query =
        db_.prepare("SELECT start_steady_ns, start_system_ms, ms_per_tick FROM runs WHERE id = ?");
    query.bind(1, run);
    if (!query.row()) {
        return std::nullopt;
    }
    StoredRun out;
    out.clock = {query.integer(0), query.integer(1), static_cast<int>(query.integer(2))};
    query.run();
    Statement values = db_.prepare("SELECT key, value FROM run_values WHERE run_id = ?");
    values.bind(1, run);
    while (values.row()) {
        out.snapshot.values.emplace(values.text(0), values.text(1));
    }
    out.snapshot.laps = rows(LapRows(), run);
    out.snapshot.drivers = rows(DriverRows(), run);
    out.summary = summary(run);
    return out;
}

GridRows RunStore::rows(const GridShape& shape, std::int64_t run) {
    std::string names;
    for (const char* column : shape.columns) {
        names += std::string(names.empty() ? "" : ", ") + column;
    }
    Statement query = db_.prepare("SELECT " + std::string(shape.rowKey) + ", " + names + " FROM " + shape.table +
                                  " WHERE run_id = ? ORDER BY " + shape.rowKey);
    query.bind(1, run);
    GridRows out;
    while (query.row()) {
        // Rows are written in order from 1; a gap (none is ever written) reads as empty rows.
        const std::int64_t row = query.integer(0);
        if (row < 1 || row > 1'000'000) {
            continue;
        }
        out.resize(std::max<std::size_t>(out.size(), static_cast<std::size_t>(row)));
        std::vector<std::string>& cells = out[static_cast<std::size_t>(row) - 1];
        for (std::size_t c = 0; c < shape.columns.size(); ++c) {
            cells.push_back(query.text(static_cast<int>(c) + 1));
        }
    }
    for (auto& cells : out) {
        cells.resize(shape.columns.size());
    }
    return out;
}

RunSummary RunStore::summary(std::int64_t run) {
    RunSummary out;
    out.id = run;
    Statement head = db_.prepare("SELECT finished, last_lap_at FROM runs WHERE id = ?");
    head.bind(1, run);
    if (head.row()) {
        out.finished = head.integer(0) != 0;
        out.lastLapAt = head.text(1);
        head.run();
    }
    Statement values = db_.prepare(
        "SELECT key, value FROM run_values WHERE run_id = ? AND key IN ('StartTime', 'car0.Lbl_BestLapTime')");
    values.bind(1, run);
    RunSnapshot snapshot;
    while (values.row()) {
        snapshot.values.emplace(values.text(0), values.text(1));
    }
    RaceState race;
    MainScreen screen;
    RestoreSnapshot(snapshot, race, screen);
    out.start = race.StartTime;
    out.bestLap = screen.car.Lbl_BestLapTime.caption();
    // Counted by the database: the list of runs must not read every lap of every run.
    Statement laps = db_.prepare(
        "SELECT count(*), (SELECT time FROM laps WHERE run_id = ?1 AND trim(time) <> '' ORDER BY lap DESC LIMIT 1)"
        " FROM laps WHERE run_id = ?1 AND trim(time) <> ''");
    laps.bind(1, run);
    if (laps.row()) {
        out.laps = static_cast<int>(laps.integer(0));
        out.lastLap = laps.text(1);
        laps.run();
    }
    for (const auto& cells : rows(DriverRows(), run)) {
        out.drivers.push_back(cells[0]);
    }
    return out;
}

}  // namespace rennik::store
