#include "carlink/lap_correction.h"

#include <gtest/gtest.h>

#include <string>

#include "base/sjis.h"
#include "support/host_fixture.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

class LapCorrectionTest : public test::HostFixture {
protected:
    void SetUp() override {
        loadProgram();
        registerCar("127.0.0.1");
        car.Cmb_Driver.setText("山田");
        Btn_Start_Click(host);
    }
    // Laps of 61 s each, every one closed by the car's report after its silence.
    void driveLaps(int laps) {
        for (int n = 0; n < laps; ++n) {
            tick_ += 61000;
            report();
        }
    }
    void report() {
        fakes.ticks.now = tick_;
        ASSERT_TRUE(fakes.sockets.deliver(7011, "001", "127.0.0.1", test::FakeTicks::momentOf(tick_)));
    }
    std::string lastReply() const { return sjis::toUtf8(fakes.sockets.net->sent.back().bytes); }
    // A correction as the crew makes it, once the car has left the host's reach.
    void correct(const std::string& answer) {
        fakes.ticks.now = tick_ + race.Settings.NoInputTicks + 1;
        fakes.dialogs.typeNext(answer);
        Btn_LapChg_Click(host, 0);
    }
    std::int32_t tick_ = 0;
};

TEST_F(LapCorrectionTest, CountingDownAsksAndDeletesTheLapsAboveAndTheNextReportFillsTheRow) {
    driveLaps(12);
    fakes.dialogs.answerNext(Answer::No);
    correct("9");
    EXPECT_EQ(fakes.dialogs.inputs.back().prompt, "今何周目ですか？");
    EXPECT_EQ(fakes.dialogs.inputs.back().title, "Ｌａｐ修正");
    EXPECT_EQ(fakes.dialogs.inputs.back().defaultText, "12");
    const auto& ask = fakes.dialogs.boxes.back();
    EXPECT_EQ(ask.text, "測定された９周値以降のＬＡＰ内容が削除されます。よろしいですか？");
    EXPECT_EQ(ask.title, "Ｌａｐ値確認");
    EXPECT_EQ(ask.icon, MsgIcon::Critical);
    EXPECT_EQ(ask.defaultButton, Answer::No);
    EXPECT_EQ(race.LapCnt[0], 12);  // No changes nothing
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 12);

    fakes.dialogs.answerNext(Answer::Yes);
    correct("9");
    EXPECT_EQ(race.LapCnt[0], 9);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 9);
    EXPECT_EQ(car.Lbl_LapCnt.caption(), "9周目");
    EXPECT_EQ(car.Spd_LapTime.activeRow(), 9);
    // No silence row opens before the car has reported again, however long it stays away.
    fakes.ticks.now = tick_ + 30000;
    tick_ += 45000;
    report();
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 9);
    EXPECT_EQ(car.Spd_LapTime.cell(9, 1), "0'45\"000");
    EXPECT_EQ(lastReply().substr(0, 1), "C");
    // The one after is an ordinary repeat, marked "N" again.
    tick_ += 500;
    report();
    EXPECT_EQ(lastReply().substr(0, 1), "N");
}

TEST_F(LapCorrectionTest, CountingUpAddsEmptyRowsAtOnceAndOddAnswersChangeNothing) {
    driveLaps(5);
    const std::size_t boxes = fakes.dialogs.boxes.size();
    correct("8");
    EXPECT_EQ(fakes.dialogs.boxes.size(), boxes);  // no question
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 8);
    EXPECT_EQ(car.Spd_LapTime.cell(7, 1), "");
    tick_ += 70000;
    report();
    EXPECT_EQ(car.Spd_LapTime.cell(8, 1), "1'10\"000");
    // The added rows count neither as laps nor as 0: the average is over the six timed laps.
    EXPECT_EQ(car.Lbl_AveLapTime.caption(), "1'02\"500");

    // Cancel is silent; an answer that names no lap beeps; the current lap changes nothing.
    for (const char* answer : {"", "8", "abc", "0", "-3", "1e9", "９", "99999999999999999999"}) {
        correct(answer);
    }
    EXPECT_EQ(fakes.dialogs.beeps, 6);
    EXPECT_EQ(race.LapCnt[0], 8);
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 8);
    correct(" 1 0.4");  // blanks ignored, rounded
    EXPECT_EQ(race.LapCnt[0], 10);
}

TEST_F(LapCorrectionTest, ALapTimeTypedOverSetsTheTicksAndAnyOtherEntryIsPutBack) {
    driveLaps(2);
    Grid& g = car.Spd_LapTime;
    auto type = [&](int col, const std::string& text) {
        Spd_LapTime_EditStarted(host, 0, col, 1);
        g.setCell(1, col, text);
        Spd_LapTime_EditFinished(host, 0, col, 1);
    };
    type(1, "1'23\"456");
    EXPECT_EQ(g.cell(1, 4), "83456");
    type(1, "0'59\"5");  // the fraction counts ticks
    EXPECT_EQ(g.cell(1, 4), "59005");
    EXPECT_EQ(g.cell(1, 1), "0'59\"5");
    EXPECT_TRUE(fakes.dialogs.boxes.empty());

    for (const std::string& bad :
         std::initializer_list<std::string>{"23\"456", "1'23456", "1'2x\"456", "", "-1'00\"000", "1'23\"",
                                            std::string(100000, '7'), "99999999'00\"000"}) {
        type(1, bad);
        EXPECT_EQ(g.cell(1, 1), "0'59\"5") << bad.substr(0, 20);
        EXPECT_EQ(g.cell(1, 4), "59005");
    }
    ASSERT_EQ(fakes.dialogs.boxes.size(), 8U);
    EXPECT_EQ(fakes.dialogs.boxes.back().text, "入力が不正です。");
    EXPECT_EQ(fakes.dialogs.boxes.back().icon, MsgIcon::Critical);

    // The figures follow at the next lap: lap 1 is now the best.
    tick_ += 90000;
    report();
    EXPECT_EQ(car.Lbl_BestLapTime.caption(), "1周目 0'59\"005");

    // A remark is free text, not checked.
    type(3, "ピットイン, 給油");
    EXPECT_EQ(g.cell(1, 3), "ピットイン, 給油");
    EXPECT_EQ(fakes.dialogs.boxes.size(), 8U);
}

}  // namespace
}  // namespace rennik
