#include "carlink/lap_table.h"

#include <gtest/gtest.h>

#include <string>

#include "drivers/driver_stats.h"
#include "support/host_fixture.h"

namespace rennik {
namespace {

class LapTableTest : public test::HostFixture {
protected:
    // A row as a recorded lap leaves it ("" for ticks: a row a correction added).
    void addRow(const std::string& ticks, const std::string& driver) {
        Grid& table = car.Spd_LapTime;
        const int row = table.rowCount() + 1;
        table.setRowCount(row);
        race.LapCnt[0] = row;
        table.setCell(row, 2, driver);
        table.setCell(row, 4, ticks);
    }
    // The driver now in the car and his row in the driver table, as choosing him leaves them.
    void driveNow(const std::string& name, int driverRow) {
        car.Cmb_Driver.setText(name);
        if (car.Spd_DriverInfo.rowCount() < driverRow) {
            car.Spd_DriverInfo.setRowCount(driverRow);
            car.Spd_DriverInfo.setCell(driverRow, 1, name);
        }
        race.DrvRow = driverRow;
    }
    std::string driverRow(int row) const {
        return car.Spd_DriverInfo.cell(row, 2) + " / " + car.Spd_DriverInfo.cell(row, 3);
    }
};

TEST_F(LapTableTest, RowsWithoutATimeAreSkippedAndEqualBestLapsKeepTheEarlier) {
    driveNow("A", 0);
    race.RemainTicks = 1'000'000;
    addRow("90000", "A");
    addRow("85000", "A");
    addRow("", "");
    addRow("85000", "A");
    addRow(" ", "A");
    CalcLapInfo(host, 0);
    EXPECT_EQ(car.Lbl_BestLapTime.caption(), "2周目 1'25\"000");
    EXPECT_EQ(car.Lbl_AveLapTime.caption(), "1'26\"666");  // 260000 / 3, truncated
    EXPECT_EQ(car.Lbl_YosoSyu.caption(), "あと11周");
    EXPECT_EQ(car.Lbl_DrvrBestLapTime.caption(), "1'25\"000-2L");
    EXPECT_EQ(car.Lbl_DrvrAveLapTime.caption(), "1'26\"667");  // rounded, not truncated
    EXPECT_EQ(race.DrvLapCount[0], 3);

    race.RemainTicks = -100'000;  // past the planned end: rounded down
    CalcLapInfo(host, 0);
    EXPECT_EQ(car.Lbl_YosoSyu.caption(), "あと-2周");

    // A table with no time at all: dashes, and the prediction stays as it was.
    car.Spd_LapTime.setRowCount(0);
    addRow("", "A");
    CalcLapInfo(host, 0);
    EXPECT_EQ(car.Lbl_BestLapTime.caption(), "-");
    EXPECT_EQ(car.Lbl_AveLapTime.caption(), "-");
    EXPECT_EQ(car.Lbl_YosoSyu.caption(), "あと-2周");
    EXPECT_EQ(car.Lbl_DrvrBestLapTime.caption(), "-");
    EXPECT_EQ(car.Lbl_DrvrAveLapTime.caption(), "-");
    EXPECT_EQ(race.DrvLapCount[0], 1);

    // Laps averaging under one tick (edited by hand) predict nothing rather than divide by 0.
    addRow("1", "A");
    addRow("0", "A");
    CalcLapInfo(host, 0);
    EXPECT_EQ(car.Lbl_AveLapTime.caption(), "0'00\"000");
    EXPECT_EQ(car.Lbl_YosoSyu.caption(), "あと-2周");
    EXPECT_EQ(car.Lbl_BestLapTime.caption(), "3周目 0'00\"000");
}

TEST_F(LapTableTest, LongRunsNeverWrapIntoANegativeAverage) {
    driveNow("A", 0);
    addRow("2000000000", "A");
    addRow("2000000000", "A");
    CalcLapInfo(host, 0);
    EXPECT_EQ(race.LapTicksSum[0], 2'000'000'000);
    EXPECT_EQ(car.Lbl_AveLapTime.caption(), "33333'20\"000");
    EXPECT_EQ(car.Lbl_DrvrAveLapTime.caption(), "33333'20\"000");
    EXPECT_EQ(race.DrvLapTicksSum[0], 2'147'483'647);
}

TEST_F(LapTableTest, DriverFiguresCoverEveryStintOfTheDriverNowInTheCar) {
    const int a[] = {70000, 68000, 66000, 66000, 69000};
    driveNow("A", 1);
    for (int t : a) {
        addRow(std::to_string(t), "A");
        CalcLapInfo(host, 0);
    }
    EXPECT_EQ(driverRow(1), "1'06\"000-3L / 1'07\"800");

    driveNow("B", 2);
    for (int t : {72000, 71000, 71500}) {
        addRow(std::to_string(t), "B");
        CalcLapInfo(host, 0);
    }
    EXPECT_EQ(driverRow(2), "1'11\"000-7L / 1'11\"500");
    EXPECT_EQ(driverRow(1), "1'06\"000-3L / 1'07\"800");

    driveNow("A", 1);
    addRow("66000", "A");  // equal to lap 3: lap 3 stays his best
    CalcLapInfo(host, 0);
    addRow("67000", "A");
    CalcLapInfo(host, 0);
    // Laps 1-5, 9 and 10: 472000 / 7 = 67428.57.
    EXPECT_EQ(driverRow(1), "1'06\"000-3L / 1'07\"429");
    EXPECT_EQ(driverRow(2), "1'11\"000-7L / 1'11\"500");
    EXPECT_EQ(car.Lbl_DrvrBestLapTime.caption(), "1'06\"000-3L");
    EXPECT_EQ(car.Lbl_BestLapTime.caption(), "3周目 1'06\"000");
    EXPECT_EQ(car.Lbl_AveLapTime.caption(), "1'08\"650");
    EXPECT_EQ(car.Spd_DriverInfo.rowCount(), 2);
}

TEST_F(LapTableTest, DriverAveragesRoundHalvesToEvenAndNamesMatchExactly) {
    driveNow("Ａ", 1);
    addRow("100001", "Ａ");
    addRow("100002", "Ａ");  // 100001.5 -> 100002
    addRow("90000", "A");    // another spelling: not his lap
    addRow("90000", "Ａ ");
    CalcLapInfo(host, 0);
    EXPECT_EQ(driverRow(1), "1'40\"001-1L / 1'40\"002");
    car.Spd_LapTime.setCell(1, 4, "100002");
    car.Spd_LapTime.setCell(2, 4, "99999");  // 200001 / 2 = 100000.5 -> 100000
    CalcLapInfo(host, 0);
    EXPECT_EQ(car.Lbl_DrvrAveLapTime.caption(), "1'40\"000");

    // A driver without a lap in a run with laps: no best, and the text of 0 ticks.
    driveNow("C", 2);
    CalcLapInfo(host, 0);
    EXPECT_EQ(driverRow(2), "- / 0'00\"000");
    EXPECT_EQ(driverRow(1), "1'39\"999-2L / 1'40\"000");
}

}  // namespace
}  // namespace rennik
