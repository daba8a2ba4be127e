#include "carlink/car_contact.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "carlink/lap_correction.h"
#include "support/host_fixture.h"
#include "timing/lap_display.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

// A measured car on 127.0.0.1 with the default no-communication time of 10 s (10000 ticks).
class CarContactTest : public test::HostFixture {
protected:
    void SetUp() override {
        loadProgram();
        registerCar("127.0.0.1");
        Btn_Start_Click(host);
        ASSERT_EQ(race.Settings.NoInputTicks, 10000);
    }
    void tickAt(std::int32_t tick) {
        fakes.ticks.now = tick;
        Time_Lap_Timer(host, 0);
    }
    // A report that arrived at `arrived` and waits on the socket until the lap display reads it.
    void reportWaiting(std::int32_t arrived) { fakes.sockets.queue(7011, "001", "127.0.0.1", arrived); }
    void reportAt(std::int32_t tick) {
        fakes.ticks.now = tick;
        ASSERT_TRUE(fakes.sockets.deliver(7011, "001", "127.0.0.1", test::FakeTicks::momentOf(tick)));
    }
    const std::string& contact() const { return car.Lbl_Contact.caption(); }
    // The question before a correction, answered `answer`; true when it was asked.
    bool correctionAsked(Answer answer) {
        const std::size_t before = fakes.dialogs.boxes.size();
        fakes.dialogs.answerNext(answer);
        fakes.dialogs.typeNext(std::to_string(race.LapCnt[0] + 1));
        Btn_LapChg_Click(host, 0);
        const bool asked = fakes.dialogs.boxes.size() > before;
        fakes.dialogs.answers.clear();
        fakes.dialogs.typed.clear();
        return asked;
    }
};

TEST_F(CarContactTest, TheLabelFollowsTheSilenceRuleFromBothSidesAndChangesOnlyWithItsText) {
    // Before the first report nothing is known, not even once the silence has opened lap 1.
    tickAt(5000);
    tickAt(10001);
    ASSERT_EQ(race.LapCnt[0], 1);
    EXPECT_EQ(contact(), "");
    EXPECT_FALSE(CarInReach(host, 0));

    // A report read by the tick 600 ms after it arrived counts from its arrival.
    reportWaiting(20000);
    tickAt(20600);
    EXPECT_EQ(contact(), "通信中 0秒前");
    EXPECT_EQ(car.Lbl_Contact.foreColor(), colours::Green);
    tickAt(22999);
    EXPECT_EQ(contact(), "通信中 2秒前");

    // The silence rule's boundary: at exactly the no-communication time the car is still in
    // reach and no row opens; one tick later it has left and its next lap has begun.
    tickAt(30000);
    EXPECT_EQ(contact(), "通信中 10秒前");
    EXPECT_TRUE(CarInReach(host, 0));
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 1);
    tickAt(30001);
    EXPECT_EQ(contact(), "圏外 10秒前");
    EXPECT_EQ(car.Lbl_Contact.foreColor(), std::nullopt);
    EXPECT_FALSE(CarInReach(host, 0));
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 2);

    // Ticks within the same second leave the label's revision alone: nothing is redrawn.
    tickAt(65000);
    EXPECT_EQ(contact(), "圏外 45秒前");
    const std::uint64_t drawn = car.Lbl_Contact.revision();
    tickAt(65099);
    tickAt(65990);
    EXPECT_EQ(car.Lbl_Contact.revision(), drawn);

    // From the report's side: the report ends the absence at its arrival.
    reportAt(70000);
    tickAt(70050);
    EXPECT_EQ(contact(), "通信中 0秒前");

    // Idle again: nothing.
    fakes.dialogs.answerNext(Answer::Yes);
    Btn_Start_Click(host);
    EXPECT_EQ(contact(), "");
    EXPECT_EQ(car.Lbl_Contact.foreColor(), std::nullopt);
    EXPECT_FALSE(CarInReach(host, 0));

    // A new run knows nothing of the last one's reports; an aborted car shows nothing either.
    Btn_Start_Click(host);
    tickAt(100);
    EXPECT_EQ(contact(), "");
    reportAt(200);
    tickAt(300);
    EXPECT_EQ(contact(), "通信中 0秒前");
    fakes.dialogs.answerNext(Answer::Yes);
    Btn_RunStop_Click(host, 0);
    EXPECT_EQ(contact(), "");
}

TEST_F(CarContactTest, ACorrectionWhileTheCarIsInReachAsksFirstAndNoLeavesEverythingAsItWas) {
    // Before the first report nobody knows where the car is: no question.
    EXPECT_FALSE(correctionAsked(Answer::No));
    ASSERT_EQ(race.LapCnt[0], 1);

    reportAt(40000);
    ASSERT_EQ(car.Spd_LapTime.cell(1, 1), "0'40\"000");
    fakes.ticks.now = 50000;  // exactly the no-communication time: still in reach
    const std::size_t inputs = fakes.dialogs.inputs.size();
    EXPECT_TRUE(correctionAsked(Answer::No));
    const MessageBoxRequest& ask = fakes.dialogs.boxes.back();
    EXPECT_EQ(ask.text,
              "車輌と通信中です。\nLap修正は車輌が圏外にいる間に行ってください。\nこのまま修正しますか？");
    EXPECT_EQ(ask.title, "Rennik1");
    EXPECT_EQ(ask.buttons, MsgButtons::YesNo);
    EXPECT_EQ(ask.defaultButton, Answer::No);
    EXPECT_EQ(ask.icon, MsgIcon::Exclamation);
    // No: neither the lap box nor any change.
    EXPECT_EQ(fakes.dialogs.inputs.size(), inputs);
    EXPECT_EQ(race.LapCnt[0], 1);
    EXPECT_EQ(race.LapMark[0], "N");

    // Yes: the correction goes on as always.
    EXPECT_TRUE(correctionAsked(Answer::Yes));
    EXPECT_EQ(fakes.dialogs.inputs.size(), inputs + 1);
    EXPECT_EQ(race.LapCnt[0], 2);
    EXPECT_EQ(race.LapMark[0], "C");

    // One tick beyond the no-communication time the car is away: no question.
    reportAt(60000);
    fakes.ticks.now = 70001;
    EXPECT_FALSE(correctionAsked(Answer::No));
    EXPECT_EQ(race.LapCnt[0], 3);

    // Idle: no question, however recent the last report.
    fakes.dialogs.answerNext(Answer::Yes);
    Btn_Start_Click(host);
    race.LastRecvTick[0] = fakes.ticks.now;
    EXPECT_FALSE(correctionAsked(Answer::No));
}

}  // namespace
}  // namespace rennik
