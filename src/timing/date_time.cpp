#include "timing/date_time.h"

namespace rennik {
namespace {

constexpr std::int64_t kDay = 86400;

// Days since 1970-01-01 of a calendar date (any year).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

LocalDateTime civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    LocalDateTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    return t;
}

// Seconds since 1970-01-01 00:00:00 of the same wall clock.
std::int64_t wallSeconds(const LocalDateTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * kDay + t.hour * 3600 + t.minute * 60 + t.second;
}

}  // namespace

LocalDateTime AddMinutes(const LocalDateTime& t, std::int64_t minutes) {
    std::int64_t secs = wallSeconds(t) + minutes * 60;
    std::int64_t days = secs / kDay;
    secs %= kDay;
    if (secs < 0) {
        secs += kDay;
        --days;
    }
    LocalDateTime out = civilFromDays(days);
    out.hour = static_cast<int>(secs / 3600);
    out.minute = static_cast<int>(secs / 60 % 60);
    out.second = static_cast<int>(secs % 60);
    return out;
}

std::int64_t SecondsBetween(const LocalDateTime& from, const LocalDateTime& to) {
    return wallSeconds(to) - wallSeconds(from);
}

}  // namespace rennik
