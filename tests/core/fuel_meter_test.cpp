#include "fuel/fuel_meter.h"

#include <gtest/gtest.h>

#include <optional>

#include "support/host_fixture.h"

namespace rennik {
namespace {

// A 40 l car at 20 km/l on a 2000 m course: one lap burns 0.1 l.
class FuelMeterTest : public test::HostFixture {
protected:
    FuelMeterTest() {
        car.Lbl_Tank.setCaption("40");
        host.race.TankCapacity[0] = 40.0F;
        host.race.MetresPerLitre[0] = 20000.0F;
        host.race.CourseLength = 2000;
        host.race.TotalFuel[0] = 40.0F;
    }

    void atLap(int laps) {
        host.race.LapCnt[0] = laps;
        UpdateFuelMeter(host, 0);
    }
};

TEST_F(FuelMeterTest, TheMeterFallsWithTheLapsAndBlinksBelowTwentyPercent) {
    atLap(0);
    EXPECT_EQ(car.Meter_Gas.value(), 100.0F);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残40");
    EXPECT_EQ(car.Meter_Gas.foreColor(), colours::Yellow);
    EXPECT_FALSE(car.Time_GasBlk.enabled());

    atLap(300);
    EXPECT_EQ(car.Meter_Gas.value(), 25.0F);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残10");
    EXPECT_FALSE(car.Time_GasBlk.enabled());

    // Exactly 20 % is still normal.
    atLap(320);
    EXPECT_EQ(car.Meter_Gas.value(), 20.0F);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残8");
    EXPECT_FALSE(car.Time_GasBlk.enabled());

    atLap(330);
    EXPECT_EQ(car.Meter_Gas.value(), 17.5F);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残7");
    EXPECT_TRUE(car.Time_GasBlk.running());
    EXPECT_EQ(car.Meter_Gas.foreColor(), colours::Yellow);  // the first tick turns it red
    Time_GasBlk_Timer(host, 0);
    EXPECT_EQ(car.Meter_Gas.foreColor(), colours::Red);
    Time_GasBlk_Timer(host, 0);
    EXPECT_EQ(car.Meter_Gas.foreColor(), colours::Yellow);
    Time_GasBlk_Timer(host, 0);

    // Burnt beyond what was put in: empty, still blinking.
    atLap(500);
    EXPECT_EQ(car.Meter_Gas.value(), 0.0F);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残0");
    EXPECT_TRUE(car.Time_GasBlk.enabled());
    EXPECT_EQ(car.Meter_Gas.foreColor(), colours::Red);

    // A refuel back above the mark stops the blink and puts the colour back.
    host.race.TotalFuel[0] = 80.0F;
    atLap(500);
    EXPECT_EQ(car.Meter_Gas.value(), 75.0F);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残30");
    EXPECT_FALSE(car.Time_GasBlk.enabled());
    EXPECT_EQ(car.Meter_Gas.foreColor(), colours::Yellow);
}

TEST_F(FuelMeterTest, AnEmptyTankBlinksItsFuelLeftFigureInStepWithTheMeter) {
    // Burnt beyond what was put in: the meter has no bar whose colour could change.
    atLap(500);
    ASSERT_EQ(car.Meter_Gas.value(), 0.0F);
    ASSERT_EQ(car.Lbl_ZanGas.caption(), "残0");
    for (int tick = 0; tick < 4; ++tick) {
        Time_GasBlk_Timer(host, 0);
        const bool red = car.Meter_Gas.foreColor() == colours::Red;
        EXPECT_EQ(red, tick % 2 == 0);
        EXPECT_EQ(car.Lbl_ZanGas.backColor(), red ? std::optional(colours::Red) : std::nullopt);
        EXPECT_EQ(car.Lbl_ZanGas.foreColor(), red ? std::optional(colours::White) : std::nullopt);
    }

    // A refuel in the middle of a red blink puts the figure back to its own colours at once.
    Time_GasBlk_Timer(host, 0);
    ASSERT_EQ(car.Lbl_ZanGas.backColor(), colours::Red);
    host.race.TotalFuel[0] = 80.0F;
    atLap(500);
    EXPECT_FALSE(car.Time_GasBlk.enabled());
    EXPECT_EQ(car.Lbl_ZanGas.backColor(), std::nullopt);
    EXPECT_EQ(car.Lbl_ZanGas.foreColor(), std::nullopt);
}

TEST_F(FuelMeterTest, MoreThanATankfulShowsAFullTank) {
    host.race.TotalFuel[0] = 55.5F;
    atLap(10);
    EXPECT_EQ(car.Meter_Gas.value(), 100.0F);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残40");

    // Litres are rounded down, from the tank as the screen shows it.
    host.race.TotalFuel[0] = 12.5F;
    atLap(1);
    EXPECT_FLOAT_EQ(car.Meter_Gas.value(), 31.0F);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残12");
}

TEST_F(FuelMeterTest, WithoutCourseConsumptionOrTankTheMeterStaysAsItIs) {
    atLap(330);
    ASSERT_TRUE(car.Time_GasBlk.enabled());
    host.race.TotalFuel[0] = 0.0F;

    host.race.CourseLength = 0;
    atLap(400);
    host.race.CourseLength = 2000;
    host.race.MetresPerLitre[0] = 0.0F;
    atLap(400);
    host.race.MetresPerLitre[0] = 20000.0F;
    host.race.TankCapacity[0] = 0.0F;
    atLap(400);

    EXPECT_EQ(car.Meter_Gas.value(), 17.5F);
    EXPECT_EQ(car.Lbl_ZanGas.caption(), "残7");
    EXPECT_TRUE(car.Time_GasBlk.enabled());
}

}  // namespace
}  // namespace rennik
