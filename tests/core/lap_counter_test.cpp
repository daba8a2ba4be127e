#include "carlink/lap_counter.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "carlink/wire_format.h"

namespace rennik {
namespace {

constexpr std::int32_t kSilence = 10000;  // ten seconds at 1/1000
constexpr std::int32_t kEnd = std::numeric_limits<std::int32_t>::max();

// One event of a run and what the lap rule must make of it.
struct Step {
    enum Kind { Tick, Report, Correct } kind;
    std::int32_t at;  // the tick it happens at, or for Correct the lap the crew names
    // Expected: a lap opened (by the display or by the report), a lap closed and its ticks,
    // the mark of the reply, and the lap count after the step.
    bool opens;
    bool closes;
    std::int32_t lapTicks;
    const char* mark;
    std::int32_t lapCnt;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

// Each scenario starts a run and plays its steps in order.
const std::vector<Scenario> kScenarios = {
    {"the silence boundary seen from the display's tick",
     {{Step::Tick, kSilence, false, false, 0, "", 0},  // exactly the silence: still in reach
      {Step::Tick, kSilence + 1, true, false, 0, "", 1},
      {Step::Report, 61000, false, true, 61000, "N", 1},
      {Step::Tick, 61000 + kSilence, false, false, 0, "", 1},
      {Step::Tick, 61000 + kSilence + 1, true, false, 0, "", 2},
      {Step::Tick, 61000 + kSilence + 2, false, false, 0, "", 2},  // a lap opens once per silence
      {Step::Report, 130000, false, true, 69000, "N", 2}}},
    {"the silence boundary seen from a report's arrival",
     {{Step::Report, 3000, false, false, 0, "N", 0},  // in reach since Start: answered only
      {Step::Report, 3000 + kSilence, false, false, 0, "N", 0},
      {Step::Report, 3000 + 3 * kSilence + 1, true, true, 3000 + 3 * kSilence + 1, "N", 1},
      {Step::Report, 3000 + 4 * kSilence + 1, false, false, 0, "N", 1},
      {Step::Report, 3000 + 5 * kSilence + 2, true, true, 2 * kSilence + 1, "N", 2}}},
    {"a report whose stamp is older than the one before counts at the one before",
     {{Step::Report, 50000, true, true, 50000, "N", 1},
      {Step::Report, 40000, false, false, 0, "N", 1},
      {Step::Tick, 50000 + kSilence + 1, true, false, 0, "", 2},
      {Step::Report, 45000, false, true, 0, "N", 2}}},  // never a negative lap
    {"a lost reply makes the car echo the lap before: answered, never recorded",
     {{Step::Tick, kSilence + 1, true, false, 0, "", 1},
      {Step::Report, 61000, false, true, 61000, "N", 1},
      {Step::Report, 61400, false, false, 0, "N", 1},
      {Step::Report, 62000, false, false, 0, "N", 1}}},
    {"a correction lets the next report close a lap, and that reply alone carries C",
     {{Step::Report, 61000, true, true, 61000, "N", 1},
      {Step::Correct, 5, false, false, 0, "", 5},
      {Step::Tick, 61000 + kSilence + 500, false, false, 0, "", 5},  // no row opens after it
      {Step::Report, 130000, false, true, 69000, "C", 5},
      {Step::Report, 130500, false, false, 0, "N", 5}}},
    {"a correction in reach closes a lap at the very next report",
     {{Step::Report, 61000, true, true, 61000, "N", 1},
      {Step::Correct, 2, false, false, 0, "", 2},
      {Step::Report, 61590, false, true, 590, "C", 2}}},
    {"lap 1000 is counted on",
     {{Step::Correct, 999, false, false, 0, "", 999},
      {Step::Report, 5000, false, true, 5000, "C", 999},
      {Step::Tick, 5000 + kSilence + 1, true, false, 0, "", 1000},
      {Step::Report, 70000, false, true, 65000, "N", 1000}}},
    {"at the 32-bit end of the tick count the silence still opens a lap",
     {{Step::Report, kEnd - kSilence - 5, true, true, kEnd - kSilence - 5, "N", 1},
      {Step::Tick, kEnd - 5, false, false, 0, "", 1},
      {Step::Tick, kEnd, true, false, 0, "", 2},
      {Step::Report, kEnd, false, true, kSilence + 5, "N", 2},  // the count stops at its end
      {Step::Report, kEnd, false, false, 0, "N", 2}}},
};

TEST(LapCounter, EveryScenarioRecordsEachLapOnceAtTheMomentItsReportArrived) {
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        RaceState race;
        race.Settings.NoInputTicks = kSilence;
        race.LapMark[0] = std::string(1, wire::kMarkNew);
        LapCounter laps(race, 0);
        laps.start();
        int n = 0;
        for (const Step& step : scenario.steps) {
            SCOPED_TRACE("step " + std::to_string(++n));
            switch (step.kind) {
                case Step::Tick:
                    EXPECT_EQ(laps.openOnSilence(step.at), step.opens);
                    break;
                case Step::Report: {
                    const ReportOutcome out = laps.report(step.at);
                    EXPECT_EQ(out.opensLap, step.opens);
                    EXPECT_EQ(out.closesLap, step.closes);
                    EXPECT_EQ(out.lapTicks, step.lapTicks);
                    EXPECT_EQ(out.replyMark, step.mark);
                    EXPECT_FALSE(race.NoCommLapDone[0]);
                    break;
                }
                case Step::Correct:
                    laps.correct(step.at);
                    break;
            }
            EXPECT_EQ(race.LapCnt[0], step.lapCnt);
        }
    }
}

TEST(LapCounter, StartForgetsTheLastRunsLapsAndItsLastReport) {
    RaceState race;
    race.Settings.NoInputTicks = kSilence;
    LapCounter laps(race, 0);
    laps.start();
    laps.report(900000);
    laps.openOnSilence(900000 + kSilence + 1);
    ASSERT_EQ(race.LapCnt[0], 2);
    ASSERT_TRUE(race.CarHeard[0]);

    // The race clock counts from 0 again: the silence is counted from the new Start.
    laps.start();
    EXPECT_EQ(race.LapCnt[0], 0);
    EXPECT_FALSE(race.CarHeard[0]);
    EXPECT_FALSE(SilencePassed(race, 0, kSilence));
    EXPECT_TRUE(laps.openOnSilence(kSilence + 1));
    const ReportOutcome first = laps.report(70000);
    EXPECT_TRUE(first.closesLap);
    EXPECT_FALSE(first.firstRow);  // the silence made row 1
    EXPECT_EQ(first.lapTicks, 70000);
}

}  // namespace
}  // namespace rennik
