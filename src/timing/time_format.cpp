#include "timing/time_format.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace rennik {

std::string LapTimeText(std::int32_t ticks, const AppSettings& settings) {
    const std::int64_t perSecond = settings.TicksPerSecond;
    const std::int64_t all = std::llabs(static_cast<std::int64_t>(ticks));
    const std::int64_t whole = all / perSecond;
    const int digits = settings.FractionFormat == "000" ? 3 : 2;
    char buffer[48];
    const int n = std::snprintf(buffer, sizeof buffer, "%s%lld'%02lld\"%0*lld", ticks < 0 ? "-" : "",
                                static_cast<long long>(whole / 60), static_cast<long long>(whole % 60),
                                digits, static_cast<long long>(all % perSecond));
    return std::string(buffer, static_cast<std::size_t>(n));
}

std::string HmsText(std::int32_t seconds) {
    const std::int64_t all = std::llabs(static_cast<std::int64_t>(seconds));
    char buffer[40];
    const int n = std::snprintf(buffer, sizeof buffer, "%s%lld:%02lld:%02lld", seconds < 0 ? "-" : "",
                                static_cast<long long>(all / 3600), static_cast<long long>(all / 60 % 60),
                                static_cast<long long>(all % 60));
    return std::string(buffer, static_cast<std::size_t>(n));
}

std::string DrivingTimeText(std::int64_t ticks, const AppSettings& settings) {
    const std::int64_t seconds = ticks / std::max(settings.TicksPerSecond, 1);
    return HmsText(static_cast<std::int32_t>(std::clamp<std::int64_t>(seconds, std::numeric_limits<std::int32_t>::min(),
                                                                      std::numeric_limits<std::int32_t>::max())));
}

std::string TwoDigits(int n) {
    return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

}  // namespace rennik
