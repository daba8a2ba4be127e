#include "timing/date_time.h"

#include <gtest/gtest.h>

namespace rennik {
namespace {

TEST(DateTime, MinutesCarryThroughTheCalendarBothWaysAndTheSecondsAgree) {
    struct Case {
        LocalDateTime from;
        std::int64_t minutes;
        LocalDateTime to;
    };
    const Case cases[] = {
        {{2024, 5, 12, 9, 5, 30}, 0, {2024, 5, 12, 9, 5, 30}},
        {{2024, 4, 30, 23, 30, 0}, 30, {2024, 5, 1, 0, 0, 0}},  // a 30-day month
        {{2024, 12, 31, 23, 59, 59}, 1, {2025, 1, 1, 0, 0, 59}},
        {{2024, 2, 28, 12, 0, 0}, 1440, {2024, 2, 29, 12, 0, 0}},  // leap year
        {{2000, 2, 28, 0, 0, 0}, 1440, {2000, 2, 29, 0, 0, 0}},    // every 400 years a leap year
        {{2100, 2, 28, 0, 0, 0}, 1440, {2100, 3, 1, 0, 0, 0}},     // other centuries are not
        {{2024, 3, 1, 0, 0, 30}, -1440, {2024, 2, 29, 0, 0, 30}},
        {{2025, 1, 1, 0, 0, 0}, -1, {2024, 12, 31, 23, 59, 0}},
        {{1970, 1, 1, 0, 0, 0}, -1, {1969, 12, 31, 23, 59, 0}},  // before the day count's origin
        {{2024, 5, 12, 9, 0, 0}, 1000 * 60 + 5, {2024, 6, 23, 1, 5, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AddMinutes(c.from, c.minutes), c.to) << c.minutes;
        EXPECT_EQ(SecondsBetween(c.from, c.to), c.minutes * 60) << c.minutes;
        EXPECT_EQ(SecondsBetween(c.to, c.from), -c.minutes * 60) << c.minutes;
    }
    EXPECT_EQ(SecondsBetween({2024, 12, 31, 23, 59, 30}, {2025, 1, 1, 0, 0, 5}), 35);
}

}  // namespace
}  // namespace rennik
