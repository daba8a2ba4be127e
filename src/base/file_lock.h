#pragma once

#include <filesystem>

// A lock on a file, held while the object lives and given back by the system when the program
// ends, however it ends. Only one program at a time holds it.
namespace rennik {

class FileLock {
public:
    // Tries to take the lock, creating the file when there is none.
    explicit FileLock(const std::filesystem::path& file);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return held_; }
    // Another program holds it. (A file that cannot be made at all is neither held nor taken.)
    bool takenByAnother() const { return taken_; }

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    bool held_ = false;
    bool taken_ = false;
};

}  // namespace rennik
