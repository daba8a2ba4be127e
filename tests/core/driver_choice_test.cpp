#include "drivers/driver_choice.h"

#include <gtest/gtest.h>

#include <string>

#include "base/sjis.h"
#include "messages/pit_messages.h"
#include "support/host_fixture.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

class DriverChoiceTest : public test::HostFixture {
protected:
    void SetUp() override {
        dir.writeText("Drivers.ini", "山田\r\n鈴木\r\n");
        loadProgram();
        registerCar("127.0.0.1");
    }
    void choose(int index) {
        car.Cmb_Driver.choose(index);
        Cmb_Driver_Click(host, 0);
    }
    // Laps of the given times in seconds, each closed by the car's report after its silence.
    void drive(std::initializer_list<int> seconds) {
        for (const int s : seconds) {
            tick_ += s * 1000;
            fakes.ticks.now = tick_;
            ASSERT_TRUE(fakes.sockets.deliver(7011, sjis::fromUtf8("001"), "127.0.0.1",
                                              test::FakeTicks::momentOf(tick_)));
        }
    }
    std::string row(int r) const {
        const Grid& g = car.Spd_DriverInfo;
        return g.cell(r, 1) + "|" + g.cell(r, 2) + "|" + g.cell(r, 3);
    }
    std::int32_t tick_ = 0;
};

TEST_F(DriverChoiceTest, EachDriverKeepsHisOwnFiguresAcrossStintsAndAChangeDisarmsTheReminder) {
    car.Chk_ChgCnter.setValue(1);
    Chk_ChgCnter_Click(host, 0);
    ASSERT_TRUE(car.Txt_ZanRunCnt.enabled());
    choose(0);
    EXPECT_EQ(car.Chk_ChgCnter.value(), 0);
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), "0");
    EXPECT_FALSE(car.Txt_ZanRunCnt.enabled());
    EXPECT_EQ(car.Lbl_AutoMess1.foreColor(), colours::Grey);
    EXPECT_EQ(car.Lbl_AutoMess2.foreColor(), colours::Grey);
    EXPECT_EQ(race.DrvRow, 1);
    EXPECT_EQ(row(1), "山田||");

    Btn_Start_Click(host);
    drive({62, 61, 63, 61, 64});  // laps 1 to 5: 山田, two equal bests
    EXPECT_EQ(car.Lbl_DrvrBestLapTime.caption(), "1'01\"000-2L");
    choose(1);
    // Until his first lap the labels keep the last driver's figures.
    EXPECT_EQ(car.Lbl_DrvrBestLapTime.caption(), "1'01\"000-2L");
    EXPECT_EQ(race.DrvRow, 2);
    drive({70, 68, 69});  // laps 6 to 8: 鈴木
    EXPECT_EQ(car.Lbl_DrvrBestLapTime.caption(), "1'08\"000-7L");
    EXPECT_EQ(car.Lbl_DrvrAveLapTime.caption(), "1'09\"000");
    choose(0);
    EXPECT_EQ(race.DrvRow, 1);
    drive({60, 66});  // laps 9 and 10: 山田 again
    EXPECT_EQ(car.Spd_LapTime.cell(9, 2), "山田");
    EXPECT_EQ(car.Spd_LapTime.cell(7, 2), "鈴木");
    EXPECT_EQ(car.Spd_DriverInfo.rowCount(), 2);
    // 62+61+63+61+64+60+66 = 437 s over 7 laps.
    EXPECT_EQ(row(1), "山田|1'00\"000-9L|1'02\"429");
    EXPECT_EQ(row(2), "鈴木|1'08\"000-7L|1'09\"000");
}

TEST_F(DriverChoiceTest, ANameThatStandsTwiceInTheTableUsesTheLaterRow) {
    Grid& g = car.Spd_DriverInfo;
    g.setRowCount(3);
    g.setCell(1, 1, "鈴木");
    g.setCell(2, 1, "山田");
    g.setCell(3, 1, "鈴木");
    choose(1);
    EXPECT_EQ(race.DrvRow, 3);
    EXPECT_EQ(g.rowCount(), 3);
    Btn_Start_Click(host);
    drive({65});
    EXPECT_EQ(g.cell(1, 2), "");
    EXPECT_EQ(g.cell(3, 2), "1'05\"000-1L");

    // Leaving the selector ends a blink that coloured it.
    car.Cmb_Driver.setBackColor(Rgb{192, 192, 0});
    Cmb_Driver_LostFocus(host, 0);
    EXPECT_EQ(car.Cmb_Driver.backColor(), colours::White);
}

TEST_F(DriverChoiceTest, ANameTypedIntoTheSelectorIsADriverChangeWhenTheSelectorIsLeft) {
    choose(0);
    Btn_Start_Click(host);
    drive({62, 61});
    EXPECT_EQ(row(1), "山田|1'01\"000-2L|1'01\"500");

    // A relief driver who is not in the list: typed, then the crew moves on.
    car.Chk_ChgCnter.setValue(1);
    Chk_ChgCnter_Click(host, 0);
    car.Cmb_Driver.setText("佐藤");
    Cmb_Driver_LostFocus(host, 0);
    EXPECT_EQ(race.DrvRow, 2);
    EXPECT_EQ(car.Chk_ChgCnter.value(), 0);
    EXPECT_FALSE(car.Txt_ZanRunCnt.enabled());
    drive({70, 66});
    EXPECT_EQ(car.Spd_LapTime.cell(4, 2), "佐藤");
    EXPECT_EQ(row(1), "山田|1'01\"000-2L|1'01\"500");
    EXPECT_EQ(row(2), "佐藤|1'06\"000-4L|1'08\"000");

    // Leaving the box again without a change changes nothing.
    car.Chk_ChgCnter.setValue(1);
    Chk_ChgCnter_Click(host, 0);
    Cmb_Driver_LostFocus(host, 0);
    EXPECT_EQ(car.Chk_ChgCnter.value(), 1);
    EXPECT_EQ(race.DrvRow, 2);

    // An emptied box credits nobody: the laps run without a name and no row takes them.
    car.Cmb_Driver.setText("");
    Cmb_Driver_LostFocus(host, 0);
    EXPECT_EQ(race.DrvRow, 0);
    drive({60});
    EXPECT_EQ(car.Spd_LapTime.cell(5, 2), "");
    EXPECT_EQ(row(1), "山田|1'01\"000-2L|1'01\"500");
    EXPECT_EQ(row(2), "佐藤|1'06\"000-4L|1'08\"000");
    EXPECT_EQ(car.Spd_DriverInfo.rowCount(), 2);
}

}  // namespace
}  // namespace rennik
