#include "drivers/stints.h"

#include <gtest/gtest.h>

#include "base/sjis.h"
#include "base/text_file.h"
#include "config/drive_limit.h"
#include "config/profile.h"
#include "drivers/driving_time.h"
#include "support/host_fixture.h"

namespace rennik {
namespace {

LapRowCache::Row lap(const std::string& driver, std::optional<double> ticks) { return {0, ticks, driver}; }

// Yamada 3 laps (one refuel lap of 140 s), Sato 2, a correction's blank row, Yamada again, and
// the lap under way.
const std::vector<LapRowCache::Row> kRows{
    lap("山田", 100'000), lap("山田", 98'000), lap("山田", 140'000), lap("佐藤", 97'000),
    lap("佐藤", 97'000),  lap("", std::nullopt), lap("山田", 99'500), lap("", std::nullopt),
};

TEST(StintsTest, AStintRunsFromOneDriverChoiceToTheNext) {
    const std::vector<Stint> stints = StintsOf(kRows);
    ASSERT_EQ(stints.size(), 3U);
    EXPECT_EQ(stints[0].driver, "山田");
    EXPECT_EQ(stints[0].firstLap, 1);
    EXPECT_EQ(stints[0].lastLap, 3);
    EXPECT_EQ(stints[0].figures.drivingTicks, 338'000);
    EXPECT_EQ(stints[0].figures.bestTicks, 98'000);
    EXPECT_EQ(stints[0].figures.bestLap, 2);
    EXPECT_EQ(stints[0].figures.averageTicks(), 112'667);  // rounded, as the driver's average
    // The blank row a correction added stays in Sato's stint: a lap without a time.
    EXPECT_EQ(stints[1].driver, "佐藤");
    EXPECT_EQ(stints[1].lastLap, 6);
    EXPECT_EQ(stints[1].figures.laps, 3);
    EXPECT_EQ(stints[1].figures.timedLaps, 2);
    EXPECT_EQ(stints[1].figures.bestLap, 4);  // of two equal laps the earlier
    // The lap under way is in no stint yet.
    EXPECT_EQ(stints[2].firstLap, 7);
    EXPECT_EQ(stints[2].lastLap, 7);

    const std::vector<DriverTotal> totals = DriverTotalsOf(stints);
    ASSERT_EQ(totals.size(), 2U);
    EXPECT_EQ(totals[0].driver, "山田");
    EXPECT_EQ(totals[0].stints, 2);
    EXPECT_EQ(totals[0].figures.laps, 4);
    EXPECT_EQ(totals[0].figures.drivingTicks, 437'500);
    EXPECT_EQ(totals[0].figures.bestLap, 2);
    EXPECT_EQ(totals[1].figures.drivingTicks, 194'000);

    // A table that starts with a blank row, and an empty one.
    const std::vector<LapRowCache::Row> blankFirst{lap("", std::nullopt), lap("山田", 90'000)};
    ASSERT_EQ(StintsOf(blankFirst).size(), 2U);
    EXPECT_EQ(StintsOf(blankFirst)[0].figures.averageTicks(), std::nullopt);
    EXPECT_TRUE(StintsOf({}).empty());
}

TEST(StintsTest, ContinuousDrivingCountsTheStintThatEndsTheTableAndTheLapUnderWay) {
    EXPECT_EQ(ContinuousDrivingTicks(kRows, "山田", 30'000), 129'500);
    // Sato is chosen for the lap under way: only that lap is his stint so far.
    EXPECT_EQ(ContinuousDrivingTicks(kRows, "佐藤", 30'000), 30'000);
    const std::vector<LapRowCache::Row> satoLast(kRows.begin(), kRows.begin() + 6);
    EXPECT_EQ(ContinuousDrivingTicks(satoLast, "佐藤", 0), 194'000);
}

class DrivingTimeTest : public test::HostFixture {
protected:
    void laps(int count, std::int32_t ticks, const std::string& driver) {
        for (int i = 0; i < count; ++i) {
            const int row = car.Spd_LapTime.rowCount() + 1;
            car.Spd_LapTime.setRowCount(row);
            car.Spd_LapTime.setCell(row, LapColumn::Driver, driver);
            car.Spd_LapTime.setCell(row, LapColumn::Ticks, std::to_string(ticks));
        }
    }
};

TEST_F(DrivingTimeTest, TheTimeBlinksYellowBeforeTheLimitAndRedPastItWhileTheCarRuns) {
    car.Time_Lap.setInterval(99);
    car.Cmb_Driver.setText("山田");
    laps(10, 100'000, "山田");  // 16:40
    ShowDrivingTime(host, 0);
    EXPECT_EQ(car.Lbl_DriveTime.caption(), "0:16:40");
    EXPECT_EQ(car.Lbl_DriveLimit.caption(), "上限なし");
    EXPECT_FALSE(car.Time_DriveBlk.enabled());

    race.DrivingLimit = {20, 5};
    ShowDrivingTime(host, 0);
    EXPECT_EQ(car.Lbl_DriveLimit.caption(), "上限 0:20:00");
    EXPECT_TRUE(car.Time_DriveBlk.enabled());
    Time_DriveBlk_Timer(host, 0);
    EXPECT_EQ(car.Lbl_DriveTime.backColor(), colours::Yellow);
    Time_DriveBlk_Timer(host, 0);
    EXPECT_FALSE(car.Lbl_DriveTime.backColor());

    laps(2, 100'000, "山田");  // 20:00: at the limit
    ShowDrivingTime(host, 0);
    EXPECT_EQ(car.Lbl_DriveLimit.caption(), "上限 0:20:00 超過");
    Time_DriveBlk_Timer(host, 0);
    EXPECT_EQ(car.Lbl_DriveTime.backColor(), colours::Red);
    EXPECT_EQ(car.Lbl_DriveTime.foreColor(), colours::White);

    // Stop ends the warning, the time stays.
    car.Time_Lap.setEnabled(false);
    ShowDrivingTime(host, 0);
    EXPECT_FALSE(car.Time_DriveBlk.enabled());
    EXPECT_FALSE(car.Lbl_DriveTime.backColor());
    EXPECT_EQ(car.Lbl_DriveTime.caption(), "0:20:00");
    car.Time_Lap.setEnabled(true);

    // The driver change ends it: the blink stops with its colours.
    car.Cmb_Driver.setText("佐藤");
    ShowDrivingTime(host, 0);
    EXPECT_EQ(car.Lbl_DriveTime.caption(), "0:00:00");
    EXPECT_FALSE(car.Time_DriveBlk.enabled());
    EXPECT_FALSE(car.Lbl_DriveTime.backColor());
}

TEST_F(DrivingTimeTest, TheLimitLivesInItsOwnSectionAndOddFiguresTakeTheDefault) {
    race.IniPath = dir.path() / "Rennik.ini";
    EXPECT_EQ(loadDriveLimit(race.IniPath), DriveLimit{});
    ASSERT_TRUE(saveDriveLimit({90, 10}, race.IniPath));
    EXPECT_EQ(loadDriveLimit(race.IniPath), (DriveLimit{90, 10}));
    const std::string bytes = *text_file::readBytes(race.IniPath);
    EXPECT_NE(bytes.find(sjis::fromUtf8("[連続運転設定]\r\n")), std::string::npos);

    ASSERT_TRUE(saveDriveLimit({99999, -3}, race.IniPath));
    EXPECT_EQ(loadDriveLimit(race.IniPath), (DriveLimit{DriveLimit::kMostMinutes, 0}));
    for (const char* odd : {"-1", "1.5", "abc", "1441", " "}) {
        profile::writeIni("連続運転設定", "連続運転の上限分", odd, race.IniPath);
        EXPECT_EQ(loadDriveLimit(race.IniPath).limitMinutes, 0) << odd;
    }
}

}  // namespace
}  // namespace rennik
