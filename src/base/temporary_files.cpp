#include "base/temporary_files.h"

#include "base/text_file.h"
#include "base/win32.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string_view>
#include <thread>
#include <vector>

namespace rennik::text_file {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTemporaryMark = ".tmp";
constexpr std::uint32_t kTemporaryNumbers = 1000000;

std::uint32_t temporaryNumber() {
    // Seeded from more than the random device, so that two programs started at the same moment do
    // not try the same names in the same order even where that device is predictable.
    thread_local std::mt19937 random = [] {
        std::random_device device;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        std::seed_seq seed{
            device(), device(), static_cast<std::uint32_t>(now), static_cast<std::uint32_t>(now >> 32),
            static_cast<std::uint32_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()))};
        return std::mt19937(seed);
    }();
    return random() % kTemporaryNumbers;
}

// The name of the file a temporary file of this name was to replace, when the name is one that
// temporaryBeside gives.
std::optional<std::string> replacedBy(const std::string& name) {
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string::npos || mark == 0) {
        return std::nullopt;
    }
    const std::string_view digits = std::string_view(name).substr(mark + kTemporaryMark.size());
    const bool plain = !digits.empty() && digits.size() <= 6 &&
                       (digits.size() == 1 || digits.front() != '0') &&
                       std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    return plain ? std::optional<std::string>(name.substr(0, mark)) : std::nullopt;
}

#ifdef _WIN32

// A write holds its temporary file open until it has been moved, so this opening, which shares
// nothing, is refused for a file still being written; a leftover goes when it is closed.
void removeIfLeftover(const fs::path& temp) {
    const DWORD attributes = GetFileAttributesW(temp.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY)) !=
            0) {
        return;
    }
    const HANDLE file = CreateFileW(temp.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
}

#else

// A write locks its temporary file from its creation until it has been renamed: the file is
// removed only when that lock can be had, and only while the name still leads to the locked file.
void removeIfLeftover(const fs::path& temp) {
    const int fd = ::open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat opened {};
    struct stat named {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
        opened.st_nlink > 0 && ::lstat(temp.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
        named.st_ino == opened.st_ino) {
        ::unlink(temp.c_str());
    }
    ::close(fd);
}

#endif

}  // namespace

std::filesystem::path temporaryBeside(const std::filesystem::path& target) {
    std::filesystem::path temp = target;
    temp += kTemporaryMark;
    temp += std::to_string(temporaryNumber());
    return temp;
}

void removeLeftoverTemporaries(const std::filesystem::path& folder,
                               const std::function<bool(const std::string& name)>& ours) {
    // Gathered first, so that no removal disturbs the listing.
    std::vector<fs::path> leftovers;
    std::error_code listing;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, listing), end;
         !listing && it != end; it.increment(listing)) {
        const std::optional<std::string> replaced = replacedBy(pathToUtf8(it->path().filename()));
        std::error_code kind;
        if (replaced && ours(*replaced) && it->symlink_status(kind).type() == fs::file_type::regular) {
            leftovers.push_back(it->path());
        }
    }
    for (const fs::path& temp : leftovers) {
        removeIfLeftover(temp);
    }
}

void removeLeftoverTemporaries(const std::filesystem::path& file) {
    const auto beside = [](const fs::path& written) {
        const std::string name = pathToUtf8(written.filename());
        removeLeftoverTemporaries(written.parent_path(),
                                  [&name](const std::string& replaced) { return replaced == name; });
    };
    beside(file);
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(file, error))) {
        if (const fs::path target = fs::canonical(file, error); !error && target != file) {
            beside(target);
        }
    }
}

}  // namespace rennik::text_file
