#include "timing/lap_display.h"

#include <gtest/gtest.h>

#include "support/host_fixture.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

class LapDisplayTest : public test::HostFixture {
protected:
    LapDisplayTest() {
        loadProgram();
        registerCar();
    }

    void start(const char* hours = "0", const char* minutes = "0") {
        m.Txt_RunH.setText(hours);
        m.Txt_RunN.setText(minutes);
        Btn_Start_Click(host);
    }

    void stop() {
        fakes.dialogs.answerNext(Answer::Yes);
        Btn_Start_Click(host);
    }

    // One lap-display tick at the given race time.
    void tickAt(std::int32_t ticks) {
        fakes.ticks.now = ticks;
        Time_Lap_Timer(host, 0);
    }

    // What a report from the car leaves behind.
    void reportAt(std::int32_t ticks) {
        race.LastRecvTick[0] = ticks;
        race.LapStartTick[0] = ticks;
        race.NoCommLapDone[0] = false;
    }
};

TEST_F(LapDisplayTest, SilenceOpensTheNextLapRowOnceAfterTheNoCommunicationTime) {
    race.CourseLength = 2000;
    race.MetresPerLitre[0] = 20000.0F;
    race.TankCapacity[0] = 40.0F;
    race.TotalFuel[0] = 40.0F;
    car.Lbl_Tank.setCaption("40");
    start();
    EXPECT_EQ(car.Meter_Gas.value(), 100.0F);
    car.Chk_ChgCnter.setValue(1);
    car.Txt_ZanRunCnt.setText("3");
    car.Txt_OutMess.setText("pit");

    reportAt(50000);
    tickAt(60000);
    EXPECT_EQ(car.Lbl_Time.caption(), "0'10\"000");
    EXPECT_EQ(race.LapCnt[0], 0);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 0);

    tickAt(60001);
    EXPECT_EQ(car.Lbl_Time.caption(), "0'10\"001");
    EXPECT_EQ(race.LapCnt[0], 1);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 1);
    EXPECT_EQ(car.Spd_LapTime.activeRow(), 1);
    EXPECT_EQ(car.Spd_LapTime.activeCol(), 1);
    EXPECT_EQ(car.Spd_LapTime.cell(1, 1), "");
    EXPECT_TRUE(race.NoCommLapDone[0]);
    EXPECT_FLOAT_EQ(car.Meter_Gas.value(), 99.75F);  // the lap now run counts as burnt
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), "2");
    EXPECT_EQ(car.Txt_OutMess.text(), "pit");  // never sent: it waits for the next contact

    // However long the silence lasts, one row until the car is heard again.
    tickAt(200000);
    EXPECT_EQ(race.LapCnt[0], 1);
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), "2");
    EXPECT_EQ(car.Lbl_Time.caption(), "2'30\"000");

    reportAt(210000);
    tickAt(220001);
    EXPECT_EQ(race.LapCnt[0], 2);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 2);
    EXPECT_EQ(car.Spd_LapTime.activeRow(), 2);
}

TEST_F(LapDisplayTest, ASecondRunCountsItsSilenceFromItsOwnStart) {
    start();
    tickAt(10000);
    EXPECT_EQ(race.LapCnt[0], 0);
    tickAt(10001);  // nothing heard since the start
    EXPECT_EQ(race.LapCnt[0], 1);
    reportAt(50000);
    stop();

    // A tick already on its way when the run stopped changes nothing.
    tickAt(90000);
    EXPECT_EQ(race.LapCnt[0], 1);
    EXPECT_EQ(car.Lbl_Time.caption(), "0'00\"000");

    // The last run's last report (at 50000) does not hold back the new run's first row.
    start();
    EXPECT_EQ(race.LapCnt[0], 0);
    EXPECT_EQ(race.LastRecvTick[0], 0);
    tickAt(10000);
    EXPECT_EQ(race.LapCnt[0], 0);
    tickAt(10001);
    EXPECT_EQ(race.LapCnt[0], 1);
    EXPECT_EQ(car.Lbl_Time.caption(), "0'10\"001");  // timed from the new start
}

TEST_F(LapDisplayTest, TheClockReadsTwelveHoursWithNoonAndMidnightAsTwelve) {
    const std::pair<LocalDateTime, const char*> cases[] = {
        {{2024, 5, 12, 0, 5, 9}, "am 12:05:09"},    {{2024, 5, 12, 9, 5, 0}, "am 09:05:00"},
        {{2024, 5, 12, 11, 59, 59}, "am 11:59:59"}, {{2024, 5, 12, 12, 0, 0}, "pm 12:00:00"},
        {{2024, 5, 12, 15, 4, 5}, "pm 03:04:05"},   {{2024, 5, 12, 23, 59, 59}, "pm 11:59:59"},
    };
    for (const auto& [when, text] : cases) {
        fakes.clock.set(when);
        Time_System_Timer(host);
        EXPECT_EQ(m.Lbl_SysTime.caption(), text);
    }
}

TEST_F(LapDisplayTest, TheTimeLeftCountsDownInWhiteThenUpInRedPastTheEnd) {
    fakes.clock.set({2024, 12, 31, 23, 0, 0});
    start("0", "60");
    const auto at = [&](const LocalDateTime& when) {
        fakes.clock.set(when);
        Time_System_Timer(host);
    };

    at({2024, 12, 31, 23, 0, 0});
    EXPECT_EQ(m.Lbl_ZanTime.caption(), "残り 1:00:00");
    EXPECT_EQ(m.Lbl_ZanTime.foreColor(), colours::White);
    EXPECT_EQ(race.RemainTicks, 3600000);
    at({2024, 12, 31, 23, 59, 30});
    EXPECT_EQ(m.Lbl_ZanTime.caption(), "残り 0:00:30");
    at({2025, 1, 1, 0, 0, 0});
    EXPECT_EQ(m.Lbl_ZanTime.caption(), "残り 0:00:00");
    EXPECT_EQ(m.Lbl_ZanTime.foreColor(), colours::White);
    EXPECT_EQ(race.RemainTicks, 0);
    at({2025, 1, 1, 0, 0, 1});
    EXPECT_EQ(m.Lbl_ZanTime.caption(), "残り 0:00:01");
    EXPECT_EQ(m.Lbl_ZanTime.foreColor(), colours::Red);
    EXPECT_EQ(race.RemainTicks, -1000);
    at({2025, 1, 2, 1, 0, 5});
    EXPECT_EQ(m.Lbl_ZanTime.caption(), "残り 25:00:05");

    // After Stop the label keeps its last words.
    stop();
    at({2025, 1, 2, 2, 0, 0});
    EXPECT_EQ(m.Lbl_ZanTime.caption(), "残り 25:00:05");
    EXPECT_EQ(m.Lbl_SysTime.caption(), "am 02:00:00");

    // A long run at 1/1000 holds more ticks than 32 bits: the count stays at its largest value
    // instead of turning negative, as if the end had passed.
    fakes.clock.set({2025, 1, 2, 2, 0, 0});
    start("1000", "0");
    at({2025, 1, 2, 2, 0, 0});
    EXPECT_EQ(m.Lbl_ZanTime.caption(), "残り 1000:00:00");
    EXPECT_EQ(race.RemainTicks, 2147483647);
}

}  // namespace
}  // namespace rennik
