#include "carlink/lap_report.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "base/sjis.h"
#include "carlink/lap_record.h"
#include "drivers/driver_stats.h"
#include "messages/pit_messages.h"
#include "support/host_fixture.h"
#include "timing/lap_display.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

// Date and both clock fields of a record built on 2026/03/07 without a planned end.
const std::string kDateNoEnd = "2026/03/0700:00:0000:00:00";

class LapReportTest : public test::HostFixture {
protected:
    void SetUp() override {
        fakes.clock.set({2026, 3, 7, 14, 5, 9});
        loadProgram();
        car.Lbl_IP.setCaption("127.0.0.1");
        car.Cmb_Driver.setText("山田");
        Btn_Start_Click(host);
        ASSERT_TRUE(fakes.sockets.net->isBound(7011));
    }

    // The car PC's report arriving on the slot's port at the given tick, handled at once.
    void carSends(std::int32_t tick, const std::string& utf8) { carSendsBytes(tick, sjis::fromUtf8(utf8)); }
    void carSendsBytes(std::int32_t tick, const std::string& bytes, const std::string& from = "127.0.0.1") {
        fakes.ticks.now = tick;
        ASSERT_TRUE(fakes.sockets.deliver(7011, bytes, from, test::FakeTicks::momentOf(tick)));
    }
    // The lap display's tick at the given moment (it opens a row after a silence).
    void displayTick(std::int32_t tick) {
        fakes.ticks.now = tick;
        Time_Lap_Timer(host, 0);
    }
    std::size_t replyCount() const { return fakes.sockets.net->sent.size(); }
    // The last reply as text, after checking that it went from 7011 to the car PC's 7012.
    std::string lastReply() const {
        const auto& d = fakes.sockets.net->sent.back();
        EXPECT_EQ(d.localPort, 7011);
        EXPECT_EQ(d.remoteHost, "127.0.0.1");
        EXPECT_EQ(d.remotePort, 7012);
        return sjis::toUtf8(d.bytes);
    }
    std::string cell(int row, int col) const { return car.Spd_LapTime.cell(row, col); }
};

TEST_F(LapReportTest, ANewLapIsRecordedOnceAndRepeatsCarryTheSameRecordWithTheNewestMessage) {
    // "000" while no lap is counted yet is a repeat: the mark, no record, no message.
    carSends(3000, "000");
    EXPECT_EQ(lastReply(), "N");
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 0);
    EXPECT_EQ(car.Lbl_InMess.backColor(), colours::White);

    displayTick(13001);  // ten seconds of silence open row 1
    ASSERT_EQ(car.Spd_LapTime.rowCount(), 1);
    carSends(83456, "000タイヤ交換");
    const std::string lap1 =
        "001"
        "0000083456"
        "0000083456"
        "0000083456" +
        kDateNoEnd;
    EXPECT_EQ(lastReply(), "N" + lap1);
    EXPECT_EQ(fakes.sockets.net->sent.back().bytes, sjis::fromUtf8("N" + lap1));
    EXPECT_EQ(cell(1, 1), "1'23\"456");
    EXPECT_EQ(cell(1, 2), "山田");
    EXPECT_EQ(cell(1, 4), "83456");
    EXPECT_EQ(cell(1, 5), ", タイヤ交換");
    EXPECT_EQ(car.Spd_LapTime.activeRow(), 1);
    EXPECT_EQ(car.Lbl_LapCnt.caption(), "2周目");
    EXPECT_EQ(car.Lbl_InMess.caption(), "タイヤ交換");
    EXPECT_TRUE(car.Time_MessBlk.enabled());
    EXPECT_EQ(car.Lbl_BestLapTime.caption(), "1周目 1'23\"456");
    EXPECT_EQ(car.Lbl_DrvrBestLapTime.caption(), "1'23\"456-1L");

    // Still in contact: the car echoes 001; a message typed now goes out full width.
    car.Txt_OutMess.setText("pit 5");
    carSends(84000, "001");
    EXPECT_EQ(lastReply(), "N" + lap1 + "ｐｉｔ　５");
    EXPECT_EQ(sjis::charCount(lastReply()), 1U + wire::kRecordLength + 5U);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 1);
    EXPECT_EQ(cell(1, 5), ", タイヤ交換");
    EXPECT_EQ(car.Lbl_InMess.caption(), "");
    EXPECT_FALSE(car.Time_MessBlk.enabled());
    EXPECT_EQ(race.LastRecvTick[0], 84000);

    // The silence clears the typed message; the next lap logs both messages of its pass.
    displayTick(94001);
    EXPECT_EQ(car.Txt_OutMess.text(), "");
    car.Txt_OutMess.setText("box");
    carSends(170000, "001ピット了解");
    EXPECT_EQ(lastReply(),
              "N002"
              "0000086544"
              "0000083456"
              "0000085000" +
                  kDateNoEnd + "ｂｏｘ");
    EXPECT_EQ(cell(2, 1), "1'26\"544");
    EXPECT_EQ(cell(2, 5), "ｂｏｘ, ピット了解");
    EXPECT_EQ(car.Lbl_AveLapTime.caption(), "1'25\"000");
    EXPECT_EQ(car.Lbl_LapCnt.caption(), "3周目");
    EXPECT_EQ(replyCount(), 4U);
}

TEST_F(LapReportTest, AFirstReportBeforeAnySilenceIsLapOneAndReportZeroAfterARestartGetsTheOldRecord) {
    carSends(45000, "007");
    const std::string record =
        "001"
        "0000045000"
        "0000045000"
        "0000045000" +
        kDateNoEnd;
    EXPECT_EQ(lastReply(), "N" + record);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 1);
    EXPECT_EQ(cell(1, 1), "0'45\"000");
    EXPECT_EQ(car.Lbl_LapCnt.caption(), "2周目");

    fakes.dialogs.answerNext(Answer::Yes);
    Btn_Start_Click(host);  // Stop
    Btn_Start_Click(host);  // Start again
    car.Txt_OutMess.setText("GO");
    carSends(2000, "000");
    EXPECT_EQ(lastReply(), "N" + record + "ＧＯ");
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 0);
    EXPECT_EQ(race.LapCnt[0], 0);
}

TEST_F(LapReportTest, AfterACorrectionTheNextReportClosesALapWithCAndThenNAgain) {
    carSends(60000, "000");  // a minute of silence since Start: lap 1, timed from Start
    carSends(60100, "005");  // the same contact: answered, whatever it echoes
    ASSERT_EQ(race.LapCnt[0], 1);
    // The crew corrects the count up to lap 4 (rows 2 and 3 stay without a time).
    race.LapCnt[0] = 4;
    car.Spd_LapTime.setRowCount(4);
    race.LapMark[0] = "C";
    race.NoCommLapDone[0] = true;

    carSends(130000, "004");
    const std::string record =
        "004"
        "0000070000"
        "0000060000"
        "0000065000" +
        kDateNoEnd;
    EXPECT_EQ(lastReply(), "C" + record);
    EXPECT_EQ(cell(4, 4), "70000");
    EXPECT_FALSE(race.NoCommLapDone[0]);
    carSends(131000, "004");
    EXPECT_EQ(lastReply(), "N" + record);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 4);
    // The rows without a time count neither as laps nor as 0.
    EXPECT_EQ(car.Lbl_BestLapTime.caption(), "1周目 1'00\"000");
    EXPECT_EQ(car.Lbl_AveLapTime.caption(), "1'05\"000");
}

TEST_F(LapReportTest, FromLapOneThousandTheLapFieldCarriesTheLapModuloOneThousand) {
    race.LapCnt[0] = 999;
    car.Spd_LapTime.setRowCount(999);
    race.LapStartTick[0] = 1000;
    race.LastRecvTick[0] = 1000;
    displayTick(11001);
    ASSERT_EQ(race.LapCnt[0], 1000);

    carSends(61000, "999");  // the echo of lap 999's record closes lap 1000
    const std::string record =
        "000"
        "0000060000"
        "0000060000"
        "0000060000" +
        kDateNoEnd;
    EXPECT_EQ(lastReply(), "N" + record);
    EXPECT_EQ(cell(1000, 1), "1'00\"000");
    EXPECT_EQ(car.Lbl_LapCnt.caption(), "1001周目");
    carSends(62000, "000");  // and its echo is a repeat
    EXPECT_EQ(lastReply(), "N" + record);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 1000);

    displayTick(72001);
    carSends(122000, "000");
    EXPECT_EQ(lastReply().substr(0, 4), "N001");
    EXPECT_EQ(sjis::charCount(lastReply()), 60U);
    EXPECT_EQ(cell(1001, 4), "61000");
}

TEST_F(LapReportTest, ShortReportsAreIgnoredAndUndecodableBytesAreReplaced) {
    carSends(5000, "12");
    carSendsBytes(5000,
                  "\x82\xA0"
                  "1");  // "あ1": three bytes but two characters
    EXPECT_EQ(replyCount(), 0U);
    EXPECT_EQ(race.LastRecvTick[0], 0);
    EXPECT_EQ(race.RecvText[0], "");
    EXPECT_EQ(car.Lbl_InMess.backColor(), colours::LightYellow);

    // A stray byte in the lap field leaves no number there: 0, a repeat before the first lap.
    carSendsBytes(6000,
                  "\xFF"
                  "01OK");
    EXPECT_EQ(lastReply(), "N");
    EXPECT_EQ(car.Lbl_InMess.caption(), "OK");
    displayTick(16001);
    carSendsBytes(17000, "002\x80");
    EXPECT_EQ(lastReply().substr(0, 4), "N001");
    EXPECT_EQ(car.Lbl_InMess.caption(), "\xEF\xBF\xBD");
    EXPECT_EQ(cell(1, 5), ", \xEF\xBF\xBD");
}

TEST(LapRecord, TheLapNumberIsTheFirstThreeCharactersReadLeniently) {
    EXPECT_EQ(ReportLapNumber("012hello"), 12);
    EXPECT_EQ(ReportLapNumber(" 7x"), 7);
    EXPECT_EQ(ReportLapNumber("2.5"), 2);
    EXPECT_EQ(ReportLapNumber("ab1"), 0);
    EXPECT_EQ(ReportLapNumber("１２３"), 0);
    EXPECT_EQ(ReportLapNumber("9e9"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ReportMessage("あいうえお"), "えお");
}

TEST(LapRecord, TheRecordKeepsItsFiftyNineCharactersWhateverTheFigures) {
    test::TempFolder dir;
    test::FakePorts fakes;
    Host host{fakes.ports(), dir.path()};
    RaceState& race = host.race;
    fakes.clock.set({2026, 11, 2, 9, 5, 7});
    race.Settings.setMeasurePrecision("1/100");
    race.HasEndTime = true;
    race.EndTime = {2026, 11, 2, 17, 30, 0};
    race.LapCnt[0] = 12;
    race.LastLapTicks[0] = 8345;
    race.DrvBestLapTicks[0] = kNoLap;  // the driver has no lap: the figure goes out as it is
    race.DrvLapCount[0] = 1;
    EXPECT_EQ(BuildReplyBody(host, 0),
              "012"
              "0000083450"
              "2684354550"
              "0000000000"
              "2026/11/02"
              "09:05:07"
              "17:30:00");

    race.LastLapTicks[0] = -5;
    race.DrvBestLapTicks[0] = std::numeric_limits<std::int32_t>::max();
    race.Settings.setMeasurePrecision("1/1000");
    race.DrvLapTicksSum[0] = 5;  // 2.5 ms rounds to the even 2
    race.DrvLapCount[0] = 2;
    EXPECT_EQ(BuildReplyBody(host, 0).substr(0, 33),
              "012"
              "0000000000"
              "2147483647"
              "0000000002");
    race.Settings.setMeasurePrecision("1/100");
    race.DrvLapCount[0] = 0;  // never divided by
    const std::string body = BuildReplyBody(host, 0);
    EXPECT_EQ(body.size(), wire::kRecordLength);
    EXPECT_EQ(body.substr(13, 20),
              "9999999999"
              "0000000050");
}

TEST_F(LapReportTest, APastedMessageIsCutToTheBoxLimitAndTheReplyStillGoesOut) {
    // A pasted text of 40,000 characters would make a reply no UDP datagram can carry; the car
    // would never get its record.
    displayTick(10001);
    car.Txt_OutMess.setText(std::string(40000, 'x'));
    carSends(12000, "000");
    const std::string reply = lastReply();
    EXPECT_EQ(reply.substr(0, 4), "N001");
    EXPECT_EQ(sjis::charCount(reply), 1U + wire::kRecordLength + static_cast<std::size_t>(kOutMessMaxChars));
    EXPECT_EQ(reply.substr(60, 9), "ｘｘｘ");
}

TEST_F(LapReportTest, WithinOneContactNoReportClosesASecondLapWhateverItEchoes) {
    displayTick(10001);
    carSends(60000, "000");  // lap 1
    const std::string record = lastReply();
    ASSERT_EQ(record.substr(0, 14), "N0010000060000");
    // The reply was lost: the car echoes the lap before. Then a stray text from the car PC,
    // and half a second later a proper echo. All are answered with lap 1's record.
    carSends(60500, "000");
    carSends(61185, "xyz");
    carSends(61700, "001");
    EXPECT_EQ(replyCount(), 4U);
    for (std::size_t i = 1; i < replyCount(); ++i) {
        EXPECT_EQ(sjis::toUtf8(fakes.sockets.net->sent[i].bytes), record);
    }
    EXPECT_EQ(race.LapCnt[0], 1);
    EXPECT_EQ(cell(1, 4), "60000");
    EXPECT_EQ(car.Lbl_BestLapTime.caption(), "1周目 1'00\"000");
    EXPECT_EQ(race.LastRecvTick[0], 61700);

    // The next lap opens on silence and closes at the car's return, whatever it echoes.
    displayTick(71701);
    carSends(121000, "000");
    EXPECT_EQ(lastReply().substr(0, 14), "N0020000061000");
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 2);
}

TEST_F(LapReportTest, DatagramsFromAnotherAddressAreDroppedAndTooLongReportsCutAndBothCounted) {
    displayTick(10001);
    carSends(60000, "000");
    displayTick(70001);
    // A report forged from another machine in the middle of lap 2, and noise from it.
    carSendsBytes(73730, "001forged", "127.0.0.2");
    carSendsBytes(73731, std::string("\x00\xFF\x82", 3), "127.0.0.2");
    carSendsBytes(73732, "", "192.168.1.20");
    EXPECT_EQ(replyCount(), 1U);
    EXPECT_EQ(race.LapCnt[0], 2);
    EXPECT_TRUE(race.NoCommLapDone[0]);
    EXPECT_EQ(race.LastRecvTick[0], 60000);
    EXPECT_EQ(car.Lbl_InMess.caption(), "");
    EXPECT_EQ(race.ForeignDatagrams[0], 3);
    EXPECT_EQ(car.Lbl_IP.toolTip(), "他のアドレスからの受信 3 件 (破棄)");

    // The car itself closes lap 2 whole, with the longest datagram UDP carries: the report is
    // cut to its first 256 bytes, but never through a character, and counted.
    const auto xyAnd = [](int n) {
        std::string text = "xy";
        for (int i = 0; i < n; ++i) {
            text += "あ";
        }
        return text;
    };
    carSends(120000, "001" + xyAnd(23000));
    EXPECT_EQ(cell(2, 4), "60000");
    EXPECT_EQ(replyCount(), 2U);
    EXPECT_EQ(car.Lbl_InMess.caption(), xyAnd(125));
    EXPECT_EQ(race.LongReports[0], 1);
    EXPECT_EQ(car.Lbl_IP.toolTip(), "他のアドレスからの受信 3 件 (破棄)\n長すぎる受信 1 件 (先頭256バイトのみ使用)");

    // A new run counts from 0 again.
    fakes.dialogs.answerNext(Answer::Yes);
    Btn_Start_Click(host);
    Btn_Start_Click(host);
    EXPECT_EQ(race.ForeignDatagrams[0], 0);
    EXPECT_EQ(race.LongReports[0], 0);
    EXPECT_EQ(car.Lbl_IP.toolTip(), "");
}

TEST_F(LapReportTest, ARestartWithTheCarInContactStartsWithAWholeLapTimedFromStart) {
    displayTick(10001);
    carSends(60000, "000");
    displayTick(70001);
    carSends(125000, "001");  // lap 2; the car now echoes 002
    fakes.dialogs.answerNext(Answer::Yes);
    Btn_Start_Click(host);  // Stop at the grid, the car still in reach
    Btn_Start_Click(host);  // and Start again

    // The car still echoes the last run's lap field, first "002", then by chance "001", the new
    // run's count: neither closes a lap while the car has not left.
    for (std::int32_t t = 200; t <= 3000; t += 200) {
        carSends(t, t < 2000 ? "002" : "001");
    }
    EXPECT_EQ(race.LapCnt[0], 0);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 0);
    EXPECT_EQ(lastReply().substr(0, 4), "N002");  // the last record, kept from run to run
    displayTick(13000);
    EXPECT_EQ(race.LapCnt[0], 0);
    displayTick(13001);  // ten seconds after the car's last report in this run
    EXPECT_EQ(race.LapCnt[0], 1);
    carSends(58000, "002");
    EXPECT_EQ(cell(1, 4), "58000");  // the whole first lap, from Start
    EXPECT_EQ(lastReply().substr(0, 14), "N0010000058000");
    EXPECT_EQ(car.Lbl_BestLapTime.caption(), "1周目 0'58\"000");
}

TEST_F(LapReportTest, ALapClosesWhereTheReportArrivedNotWhereItWasHandled) {
    displayTick(10001);
    // A report that arrives after a silence the lap display has not judged yet opens the lap
    // and closes it at once: one row, one countdown.
    car.Chk_ChgCnter.setValue(1);
    Chk_ChgCnter_Click(host, 0);
    carSends(60000, "000");
    carSends(61000, "001");
    fakes.ticks.now = 130000;
    fakes.sockets.queue(7011, "001", "127.0.0.1", 121000);
    fakes.sockets.deliverPendingOn(7011);
    EXPECT_EQ(race.LapCnt[0], 2);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 2);
    EXPECT_EQ(cell(2, 4), "61000");  // timed at its arrival, 121000, not at 130000
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), "9");
    EXPECT_EQ(race.LastRecvTick[0], 121000);

    // A report that arrived just inside the no-communication time but waited while the lap
    // display came round is handled before the silence is judged: the car never left.
    fakes.sockets.queue(7011, "002", "127.0.0.1", 131000);
    displayTick(140000);
    EXPECT_EQ(race.LastRecvTick[0], 131000);
    EXPECT_EQ(race.LapCnt[0], 2);
    EXPECT_FALSE(race.NoCommLapDone[0]);

    // A stamp that reads earlier than the report before it counts as that report's moment.
    fakes.sockets.queue(7011, "002", "127.0.0.1", 100000);
    fakes.sockets.deliverPendingOn(7011);
    EXPECT_EQ(race.LastRecvTick[0], 131000);
}

}  // namespace
}  // namespace rennik
