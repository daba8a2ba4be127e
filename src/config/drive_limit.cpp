#include "config/drive_limit.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "config/profile.h"

namespace rennik {
namespace {

constexpr std::string_view kDriveLimitSection = "連続運転設定";
constexpr std::string_view kLimitKey = "連続運転の上限分";
constexpr std::string_view kWarnKey = "上限前の警告分";

std::int32_t withinADay(std::int32_t minutes) { return std::clamp(minutes, 0, DriveLimit::kMostMinutes); }

// Whole minutes: digits only, at most a day.
std::optional<std::int32_t> minutesIn(const std::string& text) {
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const std::int32_t minutes = std::stoi(text);
    return minutes <= DriveLimit::kMostMinutes ? std::optional(minutes) : std::nullopt;
}

}  // namespace

DriveLimit loadDriveLimit(const std::filesystem::path& iniPath) {
    DriveLimit limit;
    if (const auto minutes = minutesIn(profile::readIni(iniPath, kDriveLimitSection, kLimitKey).value)) {
        limit.limitMinutes = *minutes;
    }
    if (const auto minutes = minutesIn(profile::readIni(iniPath, kDriveLimitSection, kWarnKey).value)) {
        limit.warnMinutes = *minutes;
    }
    return limit;
}

WriteResult saveDriveLimit(const DriveLimit& limit, const std::filesystem::path& iniPath) {
    if (const WriteResult written =
            profile::writeIni(kDriveLimitSection, kLimitKey, std::to_string(withinADay(limit.limitMinutes)), iniPath);
        !written) {
        return written;
    }
    return profile::writeIni(kDriveLimitSection, kWarnKey, std::to_string(withinADay(limit.warnMinutes)), iniPath);
}

}  // namespace rennik
