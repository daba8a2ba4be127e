#include <gtest/gtest.h>

#include <string>

#include "base/sjis.h"
#include "config/car_master.h"
#include "config/course_master.h"
#include "fuel/fuel_meter.h"
#include "fuel/refuel.h"
#include "support/host_fixture.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

// A registered slot with a car master of three cars and a course master of two courses.
class CarSlotTest : public test::HostFixture {
protected:
    void SetUp() override {
        dir.writeText("Car.ini", "Eco,Ito,40,20\r\nNoFigures,,0,0\r\nSmall,Sato,12.5,57.9\r\n");
        dir.writeText("Course.ini", "Test,2000\r\nOval,1200\r\n");
        loadProgram();
        registerCar("127.0.0.1");
    }
    void chooseCar(int index) {
        car.Cmb_Car.choose(index);
        Cmb_Car_Click(host, 0);
    }
    void chooseCourse(int index) {
        m.Cmb_Course.choose(index);
        Cmb_Course_LostFocus(host);
    }
    void refuel(const std::string& amount) {
        car.Txt_InGasl.setText(amount);
        Btn_Kyuyu_Click(host, 0);
    }
    // A report from the car after more than the silence: it closes the lap it comes back from.
    void lapAt(std::int32_t tick) {
        fakes.ticks.now = tick;
        ASSERT_TRUE(
            fakes.sockets.deliver(7011, sjis::fromUtf8("001"), "127.0.0.1", test::FakeTicks::momentOf(tick)));
    }
};

TEST_F(CarSlotTest, ChoosingACarAndACourseSetsTheFiguresOfTheFuelAccount) {
    car.Cmb_Car.setBackColor(Rgb{192, 192, 0});
    chooseCar(2);
    EXPECT_EQ(car.Cmb_Car.text(), "Small");
    EXPECT_EQ(car.Lbl_Tank.caption(), "12.5");
    EXPECT_EQ(race.TankCapacity[0], 12.5F);
    EXPECT_EQ(car.Txt_Nenpi.text(), "57.9");
    EXPECT_EQ(race.MetresPerLitre[0], 57.9F * 1000.0F);
    EXPECT_EQ(car.Cmb_Car.backColor(), colours::White);

    // An entry whose figure columns are empty (not one the loader writes) sets zeros.
    car.Cmb_Car.addItem("Bare");
    chooseCar(3);
    EXPECT_EQ(car.Lbl_Tank.caption(), "");
    EXPECT_EQ(race.TankCapacity[0], 0.0F);
    EXPECT_EQ(car.Txt_Nenpi.text(), "0");

    // Choosing alone does not take the course over; leaving the box does, also unchanged.
    m.Cmb_Course.choose(1);
    EXPECT_EQ(race.CourseLength, 0);
    Cmb_Course_LostFocus(host);
    EXPECT_EQ(race.CourseLength, 1200);
    EXPECT_EQ(m.Cmb_Course.backColor(), colours::White);
    // A name typed that is no entry leaves no course; the exact text of an entry is that entry,
    // also after the editor's reload has emptied and refilled the list.
    m.Cmb_Course.setText("Ova");
    Cmb_Course_LostFocus(host);
    EXPECT_EQ(race.CourseLength, 0);
    m.Cmb_Course.setText("Test(2000m)");
    Cmb_Course_LostFocus(host);
    EXPECT_EQ(race.CourseLength, 2000);
}

TEST_F(CarSlotTest, RefuellingFillsTheMeterLapsDrainItAndLowFuelBlinksUntilTheNextRefuel) {
    // Every refusal is a beep and changes nothing: no course, no consumption, no amount.
    refuel("40");
    chooseCar(0);
    refuel("40");
    chooseCourse(0);
    car.Txt_Nenpi.setText("");
    Txt_Nenpi_LostFocus(host, 0);
    EXPECT_EQ(car.Txt_Nenpi.text(), "0");
    refuel("40");
    EXPECT_EQ(fakes.dialogs.beeps, 4);
    car.Txt_Nenpi.setText("20");
    Txt_Nenpi_LostFocus(host, 0);
    EXPECT_EQ(race.MetresPerLitre[0], 20000.0F);
    for (const char* amount : {"", "0", "abc", "12abc", "1e60", " 0.0 "}) {
        refuel(amount);
    }
    EXPECT_EQ(fakes.dialogs.beeps, 10);
    EXPECT_EQ(race.TotalFuel[0], 0.0F);
    EXPECT_EQ(car.Lbl_AllGas.caption(), "");

    refuel("1,000");  // a thousands separator counts as the locale reads it
    EXPECT_EQ(car.Lbl_AllGas.caption(), "1000");
    refuel("-962.5");
    EXPECT_EQ(car.Lbl_AllGas.caption(), "37.5");
    EXPECT_EQ(car.Meter_Gas.value(), 93.75F);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残37");
    EXPECT_EQ(fakes.focus.moves.back(), "Txt_InGasl(0)");
    EXPECT_EQ(fakes.dialogs.beeps, 10);

    // 2000 m at 20 km/l: 0.1 l a lap. After 300 laps 7.5 l are left, below 20 %.
    Btn_Start_Click(host);
    EXPECT_EQ(car.Lbl_AllGas.caption(), "37.5");
    for (int lap = 1; lap <= 300; ++lap) {
        lapAt(lap * 11000);
    }
    EXPECT_EQ(race.LapCnt[0], 300);
    EXPECT_NEAR(car.Meter_Gas.value(), 18.75F, 1e-3);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残7");
    EXPECT_TRUE(car.Time_GasBlk.enabled());
    Time_GasBlk_Timer(host, 0);
    EXPECT_EQ(car.Meter_Gas.foreColor(), colours::Red);
    Time_GasBlk_Timer(host, 0);
    EXPECT_EQ(car.Meter_Gas.foreColor(), colours::Yellow);
    Time_GasBlk_Timer(host, 0);

    // A car chosen during the run changes the figures; the meter follows at the next lap.
    chooseCar(2);
    EXPECT_NEAR(car.Meter_Gas.value(), 18.75F, 1e-3);
    refuel("10");
    EXPECT_EQ(car.Lbl_AllGas.caption(), "47.5");
    EXPECT_EQ(car.Meter_Gas.value(), 100.0F);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残12");
    EXPECT_FALSE(car.Time_GasBlk.enabled());
    EXPECT_EQ(car.Meter_Gas.foreColor(), colours::Yellow);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 300);
}

TEST_F(CarSlotTest, TheFuelBoxesRefuseWhatIsNoNumberWhenLeft) {
    for (const auto& [typed, kept] : {std::pair{"12abc", ""}, {"1,5", "1,5"}, {" -3 ", " -3 "}, {"", ""}}) {
        car.Txt_InGasl.setText(typed);
        Txt_InGasl_LostFocus(host, 0);
        EXPECT_EQ(car.Txt_InGasl.text(), kept) << typed;
    }
    EXPECT_EQ(fakes.dialogs.beeps, 2);  // "12abc" and the empty box
    for (const auto& [typed, metres] : {std::pair{"12.5", 12500.0F}, {"ab", 0.0F}, {"1e38", 0.0F}}) {
        car.Txt_Nenpi.setText(typed);
        Txt_Nenpi_LostFocus(host, 0);
        EXPECT_EQ(race.MetresPerLitre[0], metres) << typed;
    }
    EXPECT_EQ(car.Txt_Nenpi.text(), "0");
    EXPECT_EQ(fakes.dialogs.beeps, 4);
}

TEST_F(CarSlotTest, ClearingASlotAsksFirstThenHidesItUntilItIsSetUpAgain) {
    chooseCar(0);
    fakes.dialogs.answerNext(Answer::No);
    Btn_ClsCar_Click(host, 0);
    const auto& ask = fakes.dialogs.boxes.back();
    EXPECT_EQ(ask.text, "１号車の設定内容を消去します。\rよろしいですか？");
    EXPECT_EQ(ask.title, "消去確認");
    EXPECT_EQ(ask.icon, MsgIcon::Critical);
    EXPECT_EQ(ask.buttons, MsgButtons::YesNo);
    EXPECT_EQ(ask.defaultButton, Answer::No);
    EXPECT_EQ(car.Frm_Runner.backColor(), colours::LightYellow);
    EXPECT_TRUE(car.Frm_LapInfo.visible());

    fakes.dialogs.answerNext(Answer::Yes);
    Btn_ClsCar_Click(host, 0);
    EXPECT_EQ(car.Frm_Runner.backColor(), colours::Green);
    for (const Control* c :
         {static_cast<const Control*>(&car.Cmb_Car), static_cast<const Control*>(&car.Cmb_Driver),
          static_cast<const Control*>(&car.Txt_OutMess), static_cast<const Control*>(&car.Spd_LapTime),
          static_cast<const Control*>(&car.Btn_LapChg)}) {
        EXPECT_FALSE(c->enabled()) << c->name();
    }
    EXPECT_FALSE(car.Frm_LapInfo.visible());
    EXPECT_FALSE(car.Frm_DriverInfo.visible());
    EXPECT_FALSE(car.Spd_LapTime.visible());
    // Nothing of the slot's figures is lost.
    EXPECT_EQ(car.Lbl_IP.caption(), "127.0.0.1");
    EXPECT_EQ(race.TankCapacity[0], 40.0F);

    fakes.dialogs.typeNext("127.0.0.1");
    Btn_ClientNoSet_Click(host, 0);
    EXPECT_EQ(car.Frm_Runner.backColor(), colours::LightYellow);
    EXPECT_TRUE(car.Frm_LapInfo.visible());
    EXPECT_TRUE(car.Cmb_Car.enabled());
}

}  // namespace
}  // namespace rennik
