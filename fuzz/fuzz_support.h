#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

#include "carlink/address_setup.h"
#include "core/host.h"
#include "core/startup.h"
#include "rig/fake_ports.h"

// The address sanitizer keeps freed memory from use for a while to catch its later use: 32 MB of
// it rather than 256 MB, many inputs' worth, so that fresh pages are not faulted in for every
// input. ASAN_OPTIONS still overrides it.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=32"; }

// What the fuzzers share: the program on fake ports in a data folder of its own, and the check
// that stops a run at the first broken rule with what was expected.
namespace rennik::fuzz {

// A broken rule: said on stderr, then abort(), which libFuzzer takes as a finding and keeps
// the input that led to it.
[[noreturn]] inline void fail(const char* rule, const std::string& detail) {
    std::fprintf(stderr, "\n*** broken: %s\n    %s\n", rule, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void check(bool holds, const char* rule, const std::string& detail = {}) {
    if (!holds) {
        fail(rule, detail);
    }
}

// One data folder for the whole fuzzing process, emptied between inputs. It lies in memory
// (/dev/shm) where there is one, so the run store's syncs cost nothing.
class DataFolder {
public:
    DataFolder() {
        namespace fs = std::filesystem;
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        path_ = base / ("rennik_fuzz_" + std::to_string(::getpid()));
        fs::create_directories(path_);
    }
    ~DataFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    // Everything goes but the files whose names are kept (the settings and master files, which
    // a load would otherwise write anew for every input).
    void clear(bool keepIniFiles) const {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
            if (keepIniFiles && entry.path().extension() == ".ini") {
                continue;
            }
            std::filesystem::remove_all(entry.path(), ec);
        }
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Once per process: where libFuzzer's own options leave it, the folder every target uses.
inline DataFolder& folder() {
    static DataFolder f;
    return f;
}

// One life of the program on fake ports in a data folder. Kept on the heap, so that a test can
// end it (and give back the folder's lock) while the next one starts on the same folder.
struct Program {
    explicit Program(const std::filesystem::path& dir) : host(fakes.ports(), dir) {}

    // The start-up screen's load and its timer, as the program runs them.
    void load() {
        Mf_Open_Load(host, 28800, 16200);
        Timer1_Timer(host);
    }
    // Slot 0's car PC registered through the address box, as the crew does it.
    void registerCar(const std::string& address) {
        fakes.dialogs.typeNext(address);
        Btn_ClientNoSet_Click(host, 0);
    }
    CarPanel& car() { return host.main.panel(0); }

    test::FakePorts fakes;
    Host host;
};

// True for text that is well-formed UTF-8 (no surrogates, no overlong forms).
inline bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= n; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += n + 1;
    }
    return true;
}

// Code points of well-formed UTF-8, counted on their own.
inline std::size_t codePoints(std::string_view s) {
    std::size_t n = 0;
    for (const char c : s) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

}  // namespace rennik::fuzz
