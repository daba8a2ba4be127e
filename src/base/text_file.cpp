#include "base/text_file.h"

#include "base/win32.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

namespace rennik::text_file {

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

#ifdef _WIN32
WriteResult writeBytesAtomic(const std::filesystem::path& path, std::string_view bytes) {
    // A folder of the file's name: the move would be refused for want of permission, which
    // would send the crew looking for the wrong cause.
    if (std::error_code ec; std::filesystem::is_directory(path, ec)) {
        return {FileError::FolderInTheWay, ERROR_DIRECTORY};
    }
    // A fresh name beside the file, so that the move stays within one volume; another writer's
    // leftover of the same name makes us pick again rather than fail. The name is built on the
    // wide path, so that a folder or file name outside ASCII is kept as it is.
    thread_local std::mt19937 random(std::random_device{}());
    std::filesystem::path temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 8; ++attempt) {
        temp = path;
        temp += L".tmp" + std::to_wstring(random() % 1000000);
        file =
            CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    step(CloseHandle(file));
    // Unlike a POSIX rename, a plain move refuses to replace an existing file.
    if (failure == 0) {
        step(MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    }
    if (failure != 0) {
        DeleteFileW(temp.c_str());
        return WriteFailure(static_cast<int>(failure));
    }
    return {};
}
#else
WriteResult writeBytesAtomic(const std::filesystem::path& path, std::string_view bytes) {
    // A fresh name beside the file, so that the rename stays within one file system; another
    // writer's leftover of the same name makes us pick again rather than fail.
    thread_local std::mt19937 random(std::random_device{}());
    std::filesystem::path temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        temp = path.parent_path() / (path.filename().string() + ".tmp" + std::to_string(random() % 1000000));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) {
            return WriteFailure(errno);
        }
    }
    if (fd < 0) {
        return WriteFailure(EEXIST);
    }
    // The first failing step's reason is the one the crew is told.
    int failure = 0;
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
    step(::close(fd) == 0);
    if (failure == 0) {
        step(std::rename(temp.c_str(), path.c_str()) == 0);
    }
    if (failure != 0) {
        ::unlink(temp.c_str());
        return WriteFailure(failure);
    }
    return {};
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
