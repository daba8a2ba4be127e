#pragma once

#include <filesystem>
#include <random>
#include <string>

#include "base/sjis.h"
#include "base/text_file.h"

namespace rennik::test {

// A fresh, empty folder for one test, removed with everything in it when the test ends.
class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("rennik_test_" + std::to_string(random()) + "_" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Takes away the write permission; false when the folder stays writable all the same (as it
    // does for root, and on Windows, where a folder's read-only attribute does not stop new
    // files), so that the test can skip.
    bool makeReadOnly() const {
        namespace fs = std::filesystem;
        fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_exec);
        const fs::path probe = path_ / "probe";
        if (text_file::writeBytesAtomic(probe, "")) {
            fs::remove(probe);
            return false;
        }
        return true;
    }

    const std::filesystem::path& path() const { return path_; }
    // Names are UTF-8, as every text of the program; on Windows a narrow path would take the
    // system's code page instead.
    std::filesystem::path operator/(const std::string& name) const {
        return path_ / text_file::pathFromUtf8(name);
    }

    // Writes the bytes exactly as given (binary, NUL bytes included); false when the write fails.
    bool writeBytes(const std::string& name, const std::string& bytes) const {
        return text_file::writeBytesAtomic(*this / name, bytes);
    }
    // Writes a file of the program's kind: the UTF-8 text converted to Shift-JIS as it stands.
    bool writeText(const std::string& name, const std::string& utf8) const {
        return writeBytes(name, sjis::fromUtf8(utf8));
    }
    // The file's text decoded from Shift-JIS; empty when there is no such file.
    std::string readText(const std::string& name) const {
        return sjis::toUtf8(text_file::readBytes(*this / name).value_or(""));
    }

private:
    std::filesystem::path path_;
};

}  // namespace rennik::test
