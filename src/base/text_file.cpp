#include "base/text_file.h"

#include "base/temporary_files.h"
#include "base/win32.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace rennik::text_file {
namespace {

namespace fs = std::filesystem;

constexpr int kTemporaryAttempts = 8;

}  // namespace

std::optional<std::string> readBytes(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

namespace {

#ifdef _WIN32

// Symbolic links are not followed: making one takes administrator rights on Windows, and the
// crew's shortcuts are files of their own, never opened by the program.
WriteResult replaceable(const fs::path& path, fs::path& target) {
    target = path;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return {};
    }
    // The move would be refused for want of permission, which would send the crew looking for
    // the wrong cause.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {FileError::FolderInTheWay, ERROR_DIRECTORY};
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return {FileError::ReadOnlyFile, ERROR_ACCESS_DENIED};
    }
    return {};
}

}  // namespace

WriteResult linkFault(const std::filesystem::path& /*path*/) { return {}; }

WriteResult writeBytesAtomic(const std::filesystem::path& path, std::string_view bytes) {
    fs::path target;
    if (const WriteResult refused = replaceable(path, target); !refused) {
        return refused;
    }
    // A fresh name beside the file, so that the move stays within one volume; a name already
    // taken makes us pick again rather than fail. The name is built on the wide path, so that a
    // folder or file name outside ASCII is kept as it is.
    fs::path temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < kTemporaryAttempts; ++attempt) {
        temp = temporaryBeside(target);
        // Shared, so that it can be moved while still open (see below).
        file =
            CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            return WriteFailure(static_cast<int>(GetLastError()));
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return WriteFailure(ERROR_FILE_EXISTS);
    }
    DWORD failure = 0;
    const auto step = [&failure](BOOL done) {
        if (!done && failure == 0) {
            failure = GetLastError();
        }
        return failure == 0;
    };
    std::size_t done = 0;
    while (failure == 0 && done < bytes.size()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        step(WriteFile(file, bytes.data() + done, chunk, &written, nullptr));
        done += written;
    }
    if (failure == 0) {
        step(FlushFileBuffers(file));
    }
    // Moved while still open, so that no clear-up can take it before; its bytes are on the disk
    // already, so closing it afterwards can lose nothing. Unlike a POSIX rename, a plain move
    // refuses to replace an existing file. A file that another save is replacing at the same
    // moment, or that a virus scanner has open, refuses the move for a moment: it is tried again
    // for a short while before the crew is told.
    constexpr int kMoveAttempts = 10;
    for (int attempt = 1; failure == 0; ++attempt) {
        if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            break;
        }
        const DWORD refusal = GetLastError();
        if (attempt == kMoveAttempts ||
            (refusal != ERROR_ACCESS_DENIED && refusal != ERROR_SHARING_VIOLATION)) {
            failure = refusal;
        } else {
            Sleep(20);
        }
    }
    CloseHandle(file);
    if (failure != 0) {
        DeleteFileW(temp.c_str());
        return WriteFailure(static_cast<int>(failure));
    }
    return {};
}

#else

// What a write of `path` replaces, or why it must not: a symbolic link is followed to the file it
// leads to, so that it stays a link; a folder and a file made read-only are refused. The mode
// bits are asked, not access(2): root may write anything, yet a file whose owner may not write it
// is one the crew has locked, on this platform as with the read-only attribute on Windows.
WriteResult replaceable(const fs::path& path, fs::path& target) {
    target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return {};  // nothing there yet; a missing folder is said by the write itself
    }
    if (S_ISLNK(st.st_mode)) {
        if (const WriteResult fault = linkFault(path); !fault) {
            return fault;
        }
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (resolved == nullptr || ::stat(resolved, &st) != 0) {
            const int reason = errno;
            std::free(resolved);
            return WriteFailure(reason);
        }
        target = resolved;
        std::free(resolved);
    }
    if (S_ISDIR(st.st_mode)) {
        return {FileError::FolderInTheWay, EISDIR};
    }
    if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
        return {FileError::ReadOnlyFile, EACCES};
    }
    return {};
}

// A fresh temporary file beside `target`, locked until it has been renamed, or -1 with the reason
// in `failure`. The lock is what tells a leftover from a file still being written, for another
// Rennik1 that starts in this folder and clears the leftovers.
int createTemporary(const fs::path& target, fs::path& temp, int& failure) {
    failure = EEXIST;
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        temp = temporaryBeside(target);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) {
            failure = errno;
            return -1;
        }
        if (fd < 0) {
            continue;  // a name already taken: pick again rather than fail
        }
        // A clear-up that came between the creation and the lock has removed the file (no link
        // left to it): pick another name.
        struct stat st {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0) {
            failure = 0;
            return fd;
        }
        ::close(fd);
    }
    return -1;
}

}  // namespace

WriteResult linkFault(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || ::stat(path.c_str(), &st) == 0) {
        return {};
    }
    if (errno == ELOOP) {
        return {FileError::LinkLoop, ELOOP};
    }
    if (errno == ENOENT || errno == ENOTDIR) {
        return {FileError::BrokenLink, errno};
    }
    return {};
}

WriteResult writeBytesAtomic(const std::filesystem::path& path, std::string_view bytes) {
    fs::path target;
    if (const WriteResult refused = replaceable(path, target); !refused) {
        return refused;
    }
    // Beside the file, so that the rename stays within one file system.
    fs::path temp;
    int failure = 0;
    const int fd = createTemporary(target, temp, failure);
    if (fd < 0) {
        return WriteFailure(failure);
    }
    // The first failing step's reason is the one the crew is told.
    const auto step = [&failure](bool done) {
        if (!done && failure == 0) {
            failure = errno != 0 ? errno : EIO;
        }
        return failure == 0;
    };
    std::size_t done = 0;
    while (failure == 0 && done < bytes.size()) {
        errno = 0;
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0) {
            errno = ENOSPC;  // a write that takes nothing has found no room
        }
        if (step(n > 0)) {
            done += static_cast<std::size_t>(n);
        }
    }
    if (failure == 0) {
        step(::fsync(fd) == 0);
    }
    // Renamed while still open and locked, so that no clear-up can take it before; its bytes are
    // on the disk already, so closing it can lose nothing.
    if (failure == 0) {
        step(std::rename(temp.c_str(), target.c_str()) == 0);
    }
    if (failure != 0) {
        ::unlink(temp.c_str());
    }
    ::close(fd);
    return failure == 0 ? WriteResult{} : WriteFailure(failure);
}

#endif

std::vector<std::string> splitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.emplace_back(bytes.substr(start, i - start));
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < bytes.size()) {
        lines.emplace_back(bytes.substr(start));
    }
    return lines;
}

std::string joinLinesCrLf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string pathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace rennik::text_file
