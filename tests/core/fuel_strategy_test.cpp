#include "fuel/fuel_strategy.h"

#include <gtest/gtest.h>

#include "fuel/strategy_display.h"
#include "support/host_fixture.h"

namespace rennik {
namespace {

// A 2000 m course at 20 km/l: 0.1 l a lap; a 4 l tank. Laps of 100 s at 1/1000.
constexpr FuelAccount kAccount{2000.0, 20000.0, 4.0, 4.0, 10};

TEST(FuelStrategyTest, LapsOnTheFuelLeftCountTheLapNowRunAsBurnt) {
    // 4 l in, ten laps counted (the tenth under way): 3 l left, 30 laps after this one.
    std::optional<FuelPlan> plan = PlanFuel(kAccount, std::nullopt);
    ASSERT_TRUE(plan);
    EXPECT_DOUBLE_EQ(plan->litresPerLap, 0.1);
    EXPECT_NEAR(plan->fuelLeftLitres, 3.0, 1e-12);
    // 3 / 0.1 is 29.999... in binary: the crew's 30 laps, not 29.
    EXPECT_EQ(plan->lapsOnFuel, 30);
    EXPECT_EQ(plan->lastLapOnFuel, 40);
    EXPECT_FALSE(plan->end);

    // More refuelled than the tank holds never went in; more burnt than refuelled leaves none.
    FuelAccount over = kAccount;
    over.refuelledLitres = 9.0;
    EXPECT_NEAR(PlanFuel(over, std::nullopt)->fuelLeftLitres, 4.0, 1e-12);
    FuelAccount dry = kAccount;
    dry.lapCount = 55;
    plan = PlanFuel(dry, std::nullopt);
    EXPECT_EQ(plan->fuelLeftLitres, 0.0);
    EXPECT_EQ(plan->lapsOnFuel, 0);
    EXPECT_EQ(plan->lastLapOnFuel, 55);
}

TEST(FuelStrategyTest, AnIncompleteAccountPlansNothing) {
    FuelAccount noCourse = kAccount;
    noCourse.courseMetres = 0.0;
    FuelAccount noConsumption = kAccount;
    noConsumption.metresPerLitre = 0.0;
    FuelAccount noTank = kAccount;
    noTank.tankLitres = 0.0;
    FuelAccount backwards = kAccount;
    backwards.metresPerLitre = -5.0;
    for (const FuelAccount& a : {noCourse, noConsumption, noTank, backwards}) {
        EXPECT_FALSE(PlanFuel(a, RunEnd{1000, 100, 0}));
    }
}

TEST(FuelStrategyTest, TheLastLapOfATimedRunIsRunToItsEnd) {
    // 250 s left, 30 s into a 100 s lap: this lap ends in 70 s, the next at 170 s, and the one
    // that starts at 170 s is under way when the time is up, so it is run too: 2 laps after this.
    const RunEnd end{250'000, 100'000, 30'000};
    std::optional<FuelPlan> plan = PlanFuel(kAccount, end);
    ASSERT_TRUE(plan && plan->end);
    EXPECT_EQ(plan->end->lapsToEnd, 2);
    EXPECT_TRUE(plan->end->reachesEnd);
    EXPECT_EQ(plan->end->litresShort, 0.0);

    // The end falls exactly where a lap ends: no lap starts after it.
    EXPECT_EQ(PlanFuel(kAccount, RunEnd{270'000, 100'000, 30'000})->end->lapsToEnd, 2);
    EXPECT_EQ(PlanFuel(kAccount, RunEnd{270'001, 100'000, 30'000})->end->lapsToEnd, 3);
    // The time is up during this lap, or has passed: this lap is the last.
    EXPECT_EQ(PlanFuel(kAccount, RunEnd{50'000, 100'000, 30'000})->end->lapsToEnd, 0);
    EXPECT_EQ(PlanFuel(kAccount, RunEnd{-9'000, 100'000, 30'000})->end->lapsToEnd, 0);
    // A lap already longer than the average is taken to end now.
    EXPECT_EQ(PlanFuel(kAccount, RunEnd{250'000, 100'000, 180'000})->end->lapsToEnd, 3);
    // No average yet: no end plan.
    EXPECT_FALSE(PlanFuel(kAccount, RunEnd{250'000, 0, 0})->end);
}

TEST(FuelStrategyTest, AShortfallSaysTheLitresAndTheTanksItTakes) {
    // 3 l left lasts 30 laps; 45 laps to the end lack 1.5 l, one refuel.
    std::optional<FuelPlan> plan = PlanFuel(kAccount, RunEnd{4'500'000, 100'000, 100'000});
    ASSERT_TRUE(plan && plan->end);
    EXPECT_EQ(plan->end->lapsToEnd, 45);
    EXPECT_FALSE(plan->end->reachesEnd);
    EXPECT_NEAR(plan->end->litresShort, 1.5, 1e-9);
    EXPECT_EQ(plan->end->refuelsAtLeast, 1);
    // 110 laps lack 8 l: two tanks exactly, not three.
    plan = PlanFuel(kAccount, RunEnd{11'000'000, 100'000, 100'000});
    EXPECT_NEAR(plan->end->litresShort, 8.0, 1e-9);
    EXPECT_EQ(plan->end->refuelsAtLeast, 2);
}

class FuelStrategyDisplayTest : public test::HostFixture {};

TEST_F(FuelStrategyDisplayTest, ARefuelDuringTheRunMovesEveryFigureAtOnce) {
    race.CourseLength = 2000;
    race.MetresPerLitre[0] = 20000.0F;
    race.TotalFuel[0] = 0.0F;
    race.LapCnt[0] = 10;
    ShowFuelStrategy(host, 0);
    EXPECT_EQ(car.Lbl_FuelLaps.caption(), "コース・平均燃費・タンク容量が揃うと計算します");
    EXPECT_EQ(car.Lbl_Refuel.caption(), "");

    race.TankCapacity[0] = 4.0F;
    car.Lbl_Tank.setCaption("4");
    car.Spd_LapTime.setRowCount(10);
    for (int row = 1; row <= 10; ++row) {
        car.Spd_LapTime.setCell(row, LapColumn::Ticks, "100000");
    }
    race.TotalFuel[0] = 1.5F;  // 1 l burnt over ten laps: 0.5 l left, 5 laps
    race.HasEndTime = true;
    race.RemainTicks = 1'000'000;
    race.LapTicksSum[0] = 100'000;
    ShowFuelStrategy(host, 0);
    EXPECT_EQ(car.Lbl_FuelLaps.caption(), "残燃料 0.5ﾘｯﾄﾙで あと5周");
    EXPECT_EQ(car.Lbl_FuelEnd.caption(), "終了まで あと9周: 0.4ﾘｯﾄﾙ不足 (給油1回以上)");
    EXPECT_EQ(car.Lbl_Refuel.caption(), "給油は 15周目の終わりまでに");

    // The refuel box goes through the fuel meter, which brings the strategy along.
    race.TotalFuel[0] = 3.0F;
    race.LapCnt[0] = 11;
    car.Txt_InGasl.setText("");
    ShowFuelStrategy(host, 0);
    EXPECT_EQ(car.Lbl_FuelLaps.caption(), "残燃料 1.9ﾘｯﾄﾙで あと19周");
    EXPECT_EQ(car.Lbl_FuelEnd.caption(), "終了まで あと9周: 燃料は足ります");
    EXPECT_EQ(car.Lbl_Refuel.caption(), "給油不要");

    race.TotalFuel[0] = 1.1F;
    ShowFuelStrategy(host, 0);
    EXPECT_EQ(car.Lbl_Refuel.caption(), "給油は この周の終わりまでに");
}

TEST_F(FuelStrategyDisplayTest, ANewRunCountsLapOneFromStartAndWaitsForItsOwnAverage) {
    race.CourseLength = 2000;
    race.MetresPerLitre[0] = 20000.0F;
    race.TankCapacity[0] = 4.0F;
    race.TotalFuel[0] = 3.0F;
    race.HasEndTime = true;
    race.RemainTicks = 1'000'000;
    race.LapTicksSum[0] = 100'000;  // what the run before left
    car.Time_Lap.setInterval(99);
    car.Time_Lap.setEnabled(true);
    // At Start: lap 1 is under way though no silence has counted it, and this run has no lap
    // time yet.
    ShowFuelStrategy(host, 0);
    EXPECT_EQ(car.Lbl_FuelLaps.caption(), "残燃料 2.9ﾘｯﾄﾙで あと29周");
    EXPECT_EQ(car.Lbl_FuelEnd.caption(), "終了まで: 平均ラップが出てから計算します");
    EXPECT_EQ(car.Lbl_Refuel.caption(), "給油は 30周目の終わりまでに");

    // Lap 1 closed, the car still in reach: lap 2 is under way, still uncounted.
    race.LapCnt[0] = 1;
    car.Spd_LapTime.setRowCount(1);
    car.Spd_LapTime.setCell(1, LapColumn::Ticks, "100000");
    ShowFuelStrategy(host, 0);
    EXPECT_EQ(car.Lbl_FuelLaps.caption(), "残燃料 2.8ﾘｯﾄﾙで あと28周");
    EXPECT_EQ(car.Lbl_FuelEnd.caption(), "終了まで あと9周: 燃料は足ります");
    // The silence counts it (the fuel meter and the strategy are shown before its row is
    // added), then opens its row: the same lap, counted once throughout.
    race.LapCnt[0] = 2;
    ShowFuelStrategy(host, 0);
    EXPECT_EQ(car.Lbl_FuelLaps.caption(), "残燃料 2.8ﾘｯﾄﾙで あと28周");
    car.Spd_LapTime.setRowCount(2);
    ShowFuelStrategy(host, 0);
    EXPECT_EQ(car.Lbl_FuelLaps.caption(), "残燃料 2.8ﾘｯﾄﾙで あと28周");
}

}  // namespace
}  // namespace rennik
