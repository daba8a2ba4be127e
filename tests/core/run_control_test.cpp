#include "timing/run_control.h"

#include <gtest/gtest.h>

#include "drivers/driver_popup.h"
#include "support/host_fixture.h"
#include "timing/lap_display.h"

namespace rennik {
namespace {

class RunControlTest : public test::HostFixture {
protected:
    test::FakeNetwork& net = *fakes.sockets.net;

    RunControlTest() { loadProgram(); }

    void startAt(const LocalDateTime& when, const char* hours, const char* minutes) {
        fakes.clock.set(when);
        m.Txt_RunH.setText(hours);
        m.Txt_RunN.setText(minutes);
        Btn_Start_Click(host);
    }

    // What the last run left in the lap table.
    void haveLaps() {
        host.race.LapCnt[0] = 7;
        car.Spd_LapTime.setRowCount(7);
        car.Lbl_BestLapTime.setCaption("3周目 1'23\"456");
    }

    void stop() {
        fakes.dialogs.answerNext(Answer::Yes);
        Btn_Start_Click(host);
    }

    // The whole screen as it stands between runs.
    void expectIdle() {
        EXPECT_EQ(m.Btn_Start.caption(), "Start");
        EXPECT_FALSE(fakes.ticks.running);
        EXPECT_EQ(host.race.MmTimerId, 0);
        EXPECT_EQ(host.Winsock[0], nullptr);
        EXPECT_FALSE(net.isBound(7011));
        EXPECT_TRUE(net.isBound(7001));
        EXPECT_TRUE(car.Frm_Runner.enabled());
        EXPECT_FALSE(car.Btn_RunStop.enabled());
        EXPECT_FALSE(car.Time_Lap.enabled());
        EXPECT_EQ(car.Time_Lap.interval(), 0);
        for (const Button* b :
             {&m.Btn_End, &m.Btn_Write, &m.Btn_Cource, &m.Btn_Drivers, &m.Btn_Car, &m.Btn_Mess}) {
            EXPECT_TRUE(b->enabled()) << b->name();
        }
        EXPECT_FALSE(m.Btn_OtherLap.enabled());
        EXPECT_TRUE(m.Time_NoInputBlk.enabled());
        EXPECT_EQ(m.Lbl_StTime.caption(), "");
    }
};

TEST_F(RunControlTest, WithoutARegisteredCarNoRunBegins) {
    haveLaps();
    Btn_Start_Click(host);
    ASSERT_EQ(fakes.dialogs.boxes.size(), 1U);
    EXPECT_EQ(fakes.dialogs.boxes[0].text, "計測する車輌の登録がされていません。");
    EXPECT_EQ(fakes.dialogs.boxes[0].title, "Rennik1");
    EXPECT_EQ(fakes.dialogs.boxes[0].buttons, MsgButtons::Ok);
    expectIdle();
    // The last run's laps can still be saved.
    EXPECT_EQ(host.race.LapCnt[0], 7);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 7);
}

TEST_F(RunControlTest, StartOpensTheCarLinkAndLocksTheEditors) {
    registerCar();
    host.race.TotalFuel[0] = 40.0F;
    haveLaps();
    host.race.NoCommLapDone[0] = true;
    car.Cmb_Driver.setBackColor({192, 192, 0});  // caught mid-blink
    startAt({2024, 5, 12, 9, 5, 30}, "0", "0");

    EXPECT_TRUE(fakes.dialogs.boxes.empty());
    EXPECT_EQ(m.Btn_Start.caption(), "Stop");
    EXPECT_TRUE(fakes.ticks.running);
    EXPECT_EQ(fakes.ticks.msPerTick, 1);
    EXPECT_EQ(host.race.MmTimerId, 1);
    EXPECT_EQ(m.Lbl_StTime.caption(), "Start時間 09:05");
    EXPECT_FALSE(host.race.HasEndTime);
    EXPECT_EQ(host.race.LapCnt[0], 0);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 0);
    EXPECT_EQ(car.Lbl_LapCnt.caption(), "1周目");
    EXPECT_EQ(car.Lbl_BestLapTime.caption(), "");
    EXPECT_FALSE(host.race.NoCommLapDone[0]);
    EXPECT_EQ(car.Lbl_AllGas.caption(), "40");

    const test::FakeNetwork::Open& link = net.opens.back();
    EXPECT_EQ(link.localPort, 7011);
    EXPECT_EQ(link.remoteHost, "192.168.1.20");
    EXPECT_EQ(link.remotePort, 7012);
    EXPECT_TRUE(net.isBound(7011));
    EXPECT_FALSE(net.isBound(7001));  // the address check rests during the run
    EXPECT_TRUE(fakes.sockets.deliver(7011, "000hello", "192.168.1.20"));
    EXPECT_EQ(car.Lbl_InMess.caption(), "hello");

    EXPECT_TRUE(car.Time_Lap.running());
    EXPECT_EQ(car.Time_Lap.interval(), 99);
    EXPECT_TRUE(car.Btn_RunStop.enabled());
    EXPECT_FALSE(m.Btn_End.enabled());
    EXPECT_FALSE(m.Btn_Mess.enabled());
    EXPECT_TRUE(m.Btn_OtherLap.enabled());
    EXPECT_FALSE(m.Time_NoInputBlk.enabled());
    EXPECT_EQ(car.Cmb_Driver.backColor(), colours::White);
    EXPECT_EQ(car.Cmb_Car.backColor(), colours::White);

    // Without a planned end the remaining time is left as it was.
    fakes.clock.set({2024, 5, 12, 9, 6, 0});
    Time_System_Timer(host);
    EXPECT_EQ(m.Lbl_ZanTime.caption(), "残り 約00:00:00");
}

TEST_F(RunControlTest, TheEndTimeIsTheDurationAfterTheStartAcrossDaysMonthsAndYears) {
    registerCar();
    struct Case {
        LocalDateTime start;
        const char* hours;
        const char* minutes;
        LocalDateTime end;
    };
    const Case cases[] = {
        {{2024, 5, 12, 9, 5, 30}, "1", "90", {2024, 5, 12, 11, 35, 30}},  // minutes carry
        {{2024, 12, 31, 23, 0, 0}, "1", "90", {2025, 1, 1, 1, 30, 0}},
        {{2024, 2, 28, 23, 59, 0}, "0", "1441", {2024, 3, 1, 0, 0, 0}},  // through the leap day
        {{2023, 2, 28, 23, 59, 0}, "0", "1", {2023, 3, 1, 0, 0, 0}},
        {{2024, 3, 1, 0, 30, 0}, "-1", "0", {2024, 2, 29, 23, 30, 0}},   // an end before the start
        {{2024, 5, 12, 9, 0, 0}, "2.5h", "0", {2024, 5, 12, 11, 0, 0}},  // halves round to even
    };
    for (const Case& c : cases) {
        startAt(c.start, c.hours, c.minutes);
        EXPECT_TRUE(host.race.HasEndTime) << c.hours << "/" << c.minutes;
        EXPECT_EQ(host.race.EndTime, c.end) << c.hours << "/" << c.minutes;
        stop();
    }

    // Hours beyond what 16 bits hold make no end time, but the run starts all the same.
    startAt({2024, 5, 12, 9, 0, 0}, "40000", "0");
    EXPECT_EQ(m.Btn_Start.caption(), "Stop");
    EXPECT_FALSE(host.race.HasEndTime);
}

TEST_F(RunControlTest, StopAsksFirstThenLeavesEveryPanelIdle) {
    registerCar();
    startAt({2024, 5, 12, 9, 5, 0}, "1", "0");
    fakes.ticks.now = 12345;
    car.Txt_OutMess.setText("pit");
    car.Chk_ChgCnter.setValue(1);
    car.Txt_ZanRunCnt.setText("5");
    car.Time_MessBlk.setEnabled(true);
    car.Lbl_InMess.setCaption("hi");
    car.Lbl_InMess.setBackColor(colours::Pink);

    fakes.dialogs.answerNext(Answer::No);
    Btn_Start_Click(host);
    ASSERT_EQ(fakes.dialogs.boxes.size(), 1U);
    const MessageBoxRequest& box = fakes.dialogs.boxes[0];
    EXPECT_EQ(box.text, "ストップしますか？");
    EXPECT_EQ(box.title, "Stop確認");
    EXPECT_EQ(box.icon, MsgIcon::Critical);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.defaultButton, Answer::No);
    EXPECT_EQ(host.race.MsgAnswer, 7);
    EXPECT_EQ(m.Btn_Start.caption(), "Stop");
    EXPECT_TRUE(fakes.ticks.running);
    EXPECT_TRUE(net.isBound(7011));
    EXPECT_EQ(car.Txt_OutMess.text(), "pit");
    EXPECT_TRUE(host.race.HasEndTime);

    stop();
    expectIdle();
    EXPECT_EQ(host.TickCount(), 12345);  // frozen, not reset
    EXPECT_FALSE(host.race.HasEndTime);
    EXPECT_EQ(car.Lbl_Time.caption(), "0'00\"000");
    EXPECT_EQ(car.Txt_OutMess.text(), "");
    EXPECT_EQ(car.Chk_ChgCnter.value(), 0);
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), "0");
    EXPECT_FALSE(car.Txt_ZanRunCnt.enabled());
    EXPECT_FALSE(car.Time_MessBlk.enabled());
    EXPECT_EQ(car.Lbl_InMess.caption(), "");
    EXPECT_EQ(car.Lbl_InMess.backColor(), colours::LightYellow);
}

TEST_F(RunControlTest, AbortingTheOnlyCarStopsTheRunWithoutAskingAgain) {
    registerCar();
    startAt({2024, 5, 12, 9, 5, 0}, "0", "0");
    Btn_DriverInfo_Click(host, 0);

    fakes.dialogs.answerNext(Answer::No);
    Btn_RunStop_Click(host, 0);
    ASSERT_EQ(fakes.dialogs.boxes.size(), 1U);
    EXPECT_EQ(fakes.dialogs.boxes[0].text, "１号車の計測を中止しますか？");
    EXPECT_EQ(fakes.dialogs.boxes[0].title, "Stop確認");
    EXPECT_EQ(fakes.dialogs.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(fakes.dialogs.boxes[0].defaultButton, Answer::No);
    EXPECT_FALSE(car.Frm_DriverLap.visible());  // the pop-up closes before the question
    EXPECT_EQ(m.Btn_Start.caption(), "Stop");
    EXPECT_TRUE(car.Btn_RunStop.enabled());
    EXPECT_TRUE(net.isBound(7011));

    fakes.dialogs.answerNext(Answer::Yes);
    Btn_RunStop_Click(host, 0);
    EXPECT_EQ(fakes.dialogs.boxes.size(), 2U);  // no "ストップしますか？"
    expectIdle();
    EXPECT_FALSE(host.race.StopNoConfirm);

    // The next Stop asks again.
    Btn_Start_Click(host);
    stop();
    EXPECT_EQ(fakes.dialogs.boxes.back().text, "ストップしますか？");
}

TEST_F(RunControlTest, AnAbortWhileIdleNeverStartsARun) {
    registerCar();
    Btn_RunStop_Click(host, 0);
    // Even a button somehow left enabled between runs does nothing.
    startAt({2024, 5, 12, 9, 5, 0}, "0", "0");
    stop();
    car.Btn_RunStop.setEnabled(true);
    fakes.dialogs.answerNext(Answer::Yes);
    Btn_RunStop_Click(host, 0);
    EXPECT_EQ(fakes.ticks.starts, 1);
    EXPECT_EQ(m.Btn_Start.caption(), "Start");
    EXPECT_EQ(fakes.dialogs.boxes.size(), 1U);  // only the Stop question
}

TEST_F(RunControlTest, ACarPortHeldByAnotherProgramIsNamedAndTheRunDoesNotStart) {
    registerCar();
    haveLaps();
    net.takenPorts.insert(7011);
    startAt({2024, 5, 12, 9, 5, 0}, "1", "0");
    ASSERT_EQ(fakes.dialogs.boxes.size(), 1U);
    const MessageBoxRequest& box = fakes.dialogs.boxes[0];
    EXPECT_EQ(box.text, "ポート 7011 は他のプログラムが使用中です。\n計測を開始できません。");
    EXPECT_EQ(box.title, "Rennik1");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    expectIdle();
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 7);

    // A port the system refuses for another reason is said with that reason.
    net.takenPorts.clear();
    net.refusals[7011] = OpenResult{SocketError::NoPermission, 13};
    Btn_Start_Click(host);
    ASSERT_EQ(fakes.dialogs.boxes.size(), 2U);
    EXPECT_EQ(fakes.dialogs.boxes[1].text,
              "ポート 7011 "
              "を開く権限がありません。セキュリティソフトの設定を確かめてください。\n計測を開始できません。");
    net.refusals[7011] = OpenResult{SocketError::Other, 99};
    Btn_Start_Click(host);
    EXPECT_EQ(fakes.dialogs.boxes.back().text,
              "ポート 7011 を開けません。エラー番号 99。\n計測を開始できません。");
    expectIdle();

    net.refusals.clear();
    Btn_Start_Click(host);
    EXPECT_EQ(m.Btn_Start.caption(), "Stop");
    EXPECT_TRUE(net.isBound(7011));
}

TEST_F(RunControlTest, AnAddressCheckPortTakenDuringTheRunIsReportedAtStop) {
    registerCar();
    startAt({2024, 5, 12, 9, 5, 0}, "0", "0");
    fakes.sockets.net->takenPorts.insert(7001);
    stop();
    ASSERT_EQ(fakes.dialogs.boxes.size(), 2U);
    EXPECT_NE(fakes.dialogs.boxes[1].text.find("7001"), std::string::npos);
    EXPECT_EQ(fakes.dialogs.boxes[1].title, "Rennik1");
    EXPECT_EQ(host.chker, nullptr);
    EXPECT_EQ(m.Btn_Start.caption(), "Start");
    EXPECT_TRUE(m.Btn_End.enabled());
}

}  // namespace
}  // namespace rennik
