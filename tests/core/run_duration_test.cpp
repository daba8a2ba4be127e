#include "timing/run_duration.h"

#include <gtest/gtest.h>

#include <string>

#include "support/host_fixture.h"
#include "timing/lap_display.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

class RunDurationTest : public test::HostFixture {
protected:
    void SetUp() override {
        loadProgram();
        registerCar("127.0.0.1");
    }
    // The crew tabs into the box, types and tabs out.
    void typeHours(const std::string& text) {
        Txt_RunH_GotFocus(host);
        m.Txt_RunH.setText(text);
        Txt_RunH_LostFocus(host);
    }
    void typeMinutes(const std::string& text) {
        Txt_RunN_GotFocus(host);
        m.Txt_RunN.setText(text);
        Txt_RunN_LostFocus(host);
    }
};

TEST_F(RunDurationTest, WhatIsNoNumberOrBeyondSixteenBitsBeepsShowsZeroAndKeepsTheFocus) {
    for (const char* bad : {"abc", "1h", "", "99999", "-40000", "１"}) {
        typeHours(bad);
        EXPECT_EQ(m.Txt_RunH.text(), "0") << bad;
        EXPECT_EQ(fakes.focus.moves.back(), "Txt_RunH") << bad;
    }
    EXPECT_EQ(fakes.dialogs.beeps, 6);
    for (const char* good : {"1.5", "-2", " 3 ", "1,000"}) {
        typeMinutes(good);
        EXPECT_EQ(m.Txt_RunN.text(), good);
    }
    EXPECT_EQ(fakes.dialogs.beeps, 6);
    // Idle, a valid duration waits for the Start.
    EXPECT_FALSE(race.HasEndTime);
}

TEST_F(RunDurationTest, DuringARunAChangeMovesTheEndAtOnceAndZeroStopsTheRemainingTime) {
    fakes.clock.set({2026, 12, 8, 10, 0, 0});
    m.Txt_RunH.setText("1");
    Btn_Start_Click(host);
    EXPECT_EQ(race.EndTime, (LocalDateTime{2026, 12, 8, 11, 0, 0}));

    fakes.clock.set({2026, 12, 8, 10, 20, 0});
    typeMinutes("30");
    EXPECT_EQ(race.EndTime, (LocalDateTime{2026, 12, 8, 11, 30, 0}));
    Time_System_Timer(host);
    EXPECT_EQ(m.Lbl_ZanTime.caption(), "残り 1:10:00");
    // The end moves from the Start, also with hours that round ("1.5" is 2) and minutes that
    // carry into hours.
    typeHours("1.5");
    typeMinutes("90");
    EXPECT_EQ(race.EndTime, (LocalDateTime{2026, 12, 8, 13, 30, 0}));
    // Leaving a box unchanged changes nothing.
    race.EndTime = {2030, 1, 1, 0, 0, 0};
    typeMinutes("90");
    EXPECT_EQ(race.EndTime, (LocalDateTime{2030, 1, 1, 0, 0, 0}));

    typeHours("0");
    typeMinutes("0");
    EXPECT_FALSE(race.HasEndTime);
    fakes.clock.set({2026, 12, 8, 10, 21, 0});
    Time_System_Timer(host);
    EXPECT_EQ(m.Lbl_ZanTime.caption(), "残り 1:10:00");

    // A negative duration lies before the Start: the label counts the time past it, in red.
    typeHours("-1");
    Time_System_Timer(host);
    EXPECT_EQ(m.Lbl_ZanTime.caption(), "残り 1:21:00");
    EXPECT_EQ(m.Lbl_ZanTime.foreColor(), colours::Red);
}

}  // namespace
}  // namespace rennik
