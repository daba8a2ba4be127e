#include "store/disk_flusher.h"

#include <sqlite3.h>

#include <utility>

#include "base/text_file.h"

namespace rennik::store {

DiskFlusher::DiskFlusher(std::filesystem::path file) : file_(std::move(file)), thread_([this] { loop(); }) {}

DiskFlusher::~DiskFlusher() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void DiskFlusher::poke() {
    bool wasDirty = false;
    {
        const std::lock_guard lock(mutex_);
        wasDirty = std::exchange(dirty_, true);
    }
    // A flush already due takes this commit too: the thread is woken once per flush.
    if (!wasDirty) {
        wake_.notify_one();
    }
}

void DiskFlusher::loop() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return dirty_ || stopping_; });
        if (stopping_ && !dirty_) {
            return;
        }
        // A burst of commits (a car in reach reports every few tens of milliseconds) goes to the
        // disk in one write.
        wake_.wait_for(lock, kDelay, [this] { return stopping_; });
        dirty_ = false;
        lock.unlock();
        flush();
        lock.lock();
    }
}

// Copies the log into the file; SQLite syncs the log to the disk first, then the file. A
// connection of its own, opened for each flush, so that a store opened again after a failure
// (or a file gone with a pulled stick) never holds this thread up; it never creates a file.
void DiskFlusher::flush() {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(text_file::pathToUtf8(file_).c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 200);
        sqlite3_exec(db, "PRAGMA synchronous=FULL; PRAGMA wal_checkpoint(PASSIVE)", nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(db);
}

}  // namespace rennik::store
