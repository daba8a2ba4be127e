#include "carlink/other_lap.h"

#include <gtest/gtest.h>

#include "support/host_fixture.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

class OtherLapTest : public test::HostFixture {
protected:
    void SetUp() override {
        loadProgram();
        registerCar("127.0.0.1");
        Btn_Start_Click(host);
    }
    void at(std::int32_t tick) { fakes.ticks.now = tick; }
};

TEST_F(OtherLapTest, StartAndStopShowTheExactTicksAndAStopOfTheRunStopsTheWatch) {
    EXPECT_TRUE(m.Btn_OtherLap.enabled());
    at(1000);
    Btn_OtherLap_Click(host);
    EXPECT_EQ(m.Btn_OtherLap.caption(), "Stop");
    EXPECT_TRUE(m.Time_OtherLap.enabled());
    at(5500);
    Time_OtherLap_Timer(host);
    EXPECT_EQ(m.Lbl_OtherLap.caption(), "0'04\"500");
    at(62345);  // between two display ticks: the exact difference all the same
    Btn_OtherLap_Click(host);
    EXPECT_EQ(m.Lbl_OtherLap.caption(), "1'01\"345");
    EXPECT_EQ(m.Btn_OtherLap.caption(), "Start");
    EXPECT_FALSE(m.Time_OtherLap.enabled());

    // Running at Stop: the watch stops with the time it had reached, and the next run's Start
    // finds it ready to start from zero, never timing from a tick of this run.
    at(70000);
    Btn_OtherLap_Click(host);
    at(71000);
    fakes.dialogs.answerNext(Answer::Yes);
    Btn_Start_Click(host);
    EXPECT_EQ(m.Btn_OtherLap.caption(), "Start");
    EXPECT_FALSE(m.Time_OtherLap.enabled());
    EXPECT_EQ(m.Lbl_OtherLap.caption(), "0'01\"000");
    EXPECT_FALSE(m.Btn_OtherLap.enabled());
}

}  // namespace
}  // namespace rennik
