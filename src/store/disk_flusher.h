#pragma once

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

// Puts the run store's committed log on the disk itself, on a thread of its own: a commit
// returns once the operating system has it (a killed program loses nothing), and this writes it
// through to the disk within half a second (a power cut loses at most that). The user-interface
// thread never waits for the disk.
namespace rennik::store {

class DiskFlusher {
public:
    explicit DiskFlusher(std::filesystem::path file);
    ~DiskFlusher();
    DiskFlusher(const DiskFlusher&) = delete;
    DiskFlusher& operator=(const DiskFlusher&) = delete;

    // Something was committed: it goes to the disk within kDelay.
    void poke();

    static constexpr std::chrono::milliseconds kDelay{400};

private:
    void loop();
    void flush();

    std::filesystem::path file_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool dirty_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace rennik::store
