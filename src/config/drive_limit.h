#pragma once

#include <cstdint>
#include <filesystem>

#include "base/file_error.h"

// The limit on a driver's continuous driving time that the crew may set (a rule of the event,
// or the team's own), kept in Rennik.ini in a section of its own, "連続運転設定", apart from the
// measurement settings: the program writes it only when the crew sets it.
namespace rennik {

struct DriveLimit {
    std::int32_t limitMinutes = 0;  // 0: no limit
    std::int32_t warnMinutes = 5;   // the warning starts this long before the limit

    static constexpr std::int32_t kMostMinutes = 24 * 60;
    bool set() const { return limitMinutes > 0; }
    friend bool operator==(const DriveLimit&, const DriveLimit&) = default;
};

// The limit in Rennik.ini; a key that is missing or holds no whole number of minutes from 0 to a
// day takes its default, so a file without the section has no limit.
DriveLimit loadDriveLimit(const std::filesystem::path& iniPath);

// Writes both keys. Figures outside 0 to a day are brought within it first.
WriteResult saveDriveLimit(const DriveLimit& limit, const std::filesystem::path& iniPath);

}  // namespace rennik
