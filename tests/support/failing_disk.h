#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstring>

// A disk that fills up on demand, for the run store's tests: SQLite's own file layer wrapped so
// that every write fails with SQLITE_FULL (as the platform's layer answers a full disk) while
// `full` is set. Registered as SQLite's default, so the store under test uses it unchanged.
namespace rennik::test {

class FailingDisk {
public:
    FailingDisk() {
        real_ = sqlite3_vfs_find(nullptr);
        vfs_ = *real_;
        vfs_.zName = "failing-disk";
        vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
        vfs_.pAppData = this;
        vfs_.xOpen = &FailingDisk::open;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~FailingDisk() {
        sqlite3_vfs_unregister(&vfs_);
        sqlite3_vfs_register(real_, 1);
    }
    FailingDisk(const FailingDisk&) = delete;
    FailingDisk& operator=(const FailingDisk&) = delete;

    std::atomic<bool> full{false};

private:
    struct File {
        sqlite3_file base;
        sqlite3_io_methods methods;
        FailingDisk* disk;
        sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
    };
    static File* of(sqlite3_file* f) { return reinterpret_cast<File*>(f); }

    static int open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
        auto* disk = static_cast<FailingDisk*>(vfs->pAppData);
        File* file = of(f);
        file->disk = disk;
        const int rc = disk->real_->xOpen(disk->real_, name, file->real(), flags, outFlags);
        if (file->real()->pMethods == nullptr) {
            file->base.pMethods = nullptr;
            return rc;
        }
        file->methods = *file->real()->pMethods;
        file->methods.xClose = [](sqlite3_file* g) { return of(g)->real()->pMethods->xClose(of(g)->real()); };
        file->methods.xRead = [](sqlite3_file* g, void* b, int n, sqlite3_int64 o) {
            return of(g)->real()->pMethods->xRead(of(g)->real(), b, n, o);
        };
        file->methods.xWrite = [](sqlite3_file* g, const void* b, int n, sqlite3_int64 o) {
            return of(g)->disk->full ? SQLITE_FULL : of(g)->real()->pMethods->xWrite(of(g)->real(), b, n, o);
        };
        file->methods.xTruncate = [](sqlite3_file* g, sqlite3_int64 n) {
            return of(g)->real()->pMethods->xTruncate(of(g)->real(), n);
        };
        file->methods.xSync = [](sqlite3_file* g, int fl) { return of(g)->real()->pMethods->xSync(of(g)->real(), fl); };
        file->methods.xFileSize = [](sqlite3_file* g, sqlite3_int64* n) {
            return of(g)->real()->pMethods->xFileSize(of(g)->real(), n);
        };
        file->methods.xLock = [](sqlite3_file* g, int l) { return of(g)->real()->pMethods->xLock(of(g)->real(), l); };
        file->methods.xUnlock = [](sqlite3_file* g, int l) { return of(g)->real()->pMethods->xUnlock(of(g)->real(), l); };
        file->methods.xCheckReservedLock = [](sqlite3_file* g, int* r) {
            return of(g)->real()->pMethods->xCheckReservedLock(of(g)->real(), r);
        };
        file->methods.xFileControl = [](sqlite3_file* g, int op, void* a) {
            return of(g)->real()->pMethods->xFileControl(of(g)->real(), op, a);
        };
        file->methods.xSectorSize = [](sqlite3_file* g) { return of(g)->real()->pMethods->xSectorSize(of(g)->real()); };
        file->methods.xDeviceCharacteristics = [](sqlite3_file* g) {
            return of(g)->real()->pMethods->xDeviceCharacteristics(of(g)->real());
        };
        file->methods.xShmMap = [](sqlite3_file* g, int p, int s, int e, void volatile** m) {
            return of(g)->real()->pMethods->xShmMap(of(g)->real(), p, s, e, m);
        };
        file->methods.xShmLock = [](sqlite3_file* g, int o, int n, int fl) {
            return of(g)->real()->pMethods->xShmLock(of(g)->real(), o, n, fl);
        };
        file->methods.xShmBarrier = [](sqlite3_file* g) { of(g)->real()->pMethods->xShmBarrier(of(g)->real()); };
        file->methods.xShmUnmap = [](sqlite3_file* g, int d) {
            return of(g)->real()->pMethods->xShmUnmap(of(g)->real(), d);
        };
        file->methods.xFetch = [](sqlite3_file* g, sqlite3_int64 o, int n, void** p) {
            return of(g)->real()->pMethods->xFetch(of(g)->real(), o, n, p);
        };
        file->methods.xUnfetch = [](sqlite3_file* g, sqlite3_int64 o, void* p) {
            return of(g)->real()->pMethods->xUnfetch(of(g)->real(), o, p);
        };
        file->base.pMethods = &file->methods;
        return rc;
    }

    sqlite3_vfs* real_;
    sqlite3_vfs vfs_{};
};

}  // namespace rennik::test
