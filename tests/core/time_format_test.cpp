#include <gtest/gtest.h>

#include "timing/time_format.h"

namespace rennik {
namespace {

TEST(TimeFormat, LapTimeTextAtBothPrecisions) {
    AppSettings fine;
    EXPECT_EQ(LapTimeText(83456, fine), "1'23\"456");
    EXPECT_EQ(LapTimeText(0, fine), "0'00\"000");
    EXPECT_EQ(LapTimeText(999, fine), "0'00\"999");
    EXPECT_EQ(LapTimeText(1000, fine), "0'01\"000");
    EXPECT_EQ(LapTimeText(59999, fine), "0'59\"999");
    EXPECT_EQ(LapTimeText(60000, fine), "1'00\"000");
    EXPECT_EQ(LapTimeText(3600000, fine), "60'00\"000");  // minutes never wrap into hours
    EXPECT_EQ(LapTimeText(2147483647, fine), "35791'23\"647");
    EXPECT_EQ(LapTimeText(-1500, fine), "-0'01\"500");

    AppSettings coarse;
    coarse.setMeasurePrecision("1/100");
    EXPECT_EQ(LapTimeText(8345, coarse), "1'23\"45");
    EXPECT_EQ(LapTimeText(6000, coarse), "1'00\"00");
    EXPECT_EQ(LapTimeText(0, coarse), "0'00\"00");
}

TEST(TimeFormat, HmsTextGrowsPastADay) {
    EXPECT_EQ(HmsText(0), "0:00:00");
    EXPECT_EQ(HmsText(59), "0:00:59");
    EXPECT_EQ(HmsText(3725), "1:02:05");
    EXPECT_EQ(HmsText(86399), "23:59:59");
    EXPECT_EQ(HmsText(90000), "25:00:00");
}

}  // namespace
}  // namespace rennik
