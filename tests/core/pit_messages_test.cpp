#include "messages/pit_messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drivers/driver_choice.h"
#include "support/host_fixture.h"

namespace rennik {
namespace {

class PitMessagesTest : public test::HostFixture {
protected:
    void arm() {
        car.Chk_ChgCnter.setValue(1);
        Chk_ChgCnter_Click(host, 0);
    }
    // What the next reply carries after a report arrives; the reply goes out.
    std::string reply() {
        ComposeOutMessage(host, 0);
        NoteMessageSent(host, 0);
        return host.race.OutMessText[0];
    }
};

TEST(FullWidth, HalfWidthBecomesFullWidthAndFullWidthStays) {
    EXPECT_EQ(FullWidth("pit 5"), "ｐｉｔ　５");
    EXPECT_EQ(FullWidth("!~AZaz09\"',.?"), "！～ＡＺａｚ０９＂＇，．？");
    EXPECT_EQ(FullWidth("次の周でピットイン！ＯＫ"), "次の周でピットイン！ＯＫ");
    EXPECT_EQ(FullWidth(""), "");
    // Half-width katakana, with the voicing marks joined where a combined kana exists.
    EXPECT_EQ(FullWidth("｡｢｣､･ｦｧｯｰｱﾝ"), "。「」、・ヲァッーアン");
    EXPECT_EQ(FullWidth("ｶﾞｿﾘﾝ ﾊﾟﾝ ｳﾞ ﾎﾞﾄﾞ"), "ガソリン　パン　ヴ　ボド");
    // No combined form: the mark stands alone in its full-width form.
    EXPECT_EQ(FullWidth("ｱﾞﾏﾟﾞﾟｶﾟ"), "ア゛マ゜゛゜カ゜");
    // Control characters and bytes that are not text pass unchanged.
    EXPECT_EQ(FullWidth("a\tb\r\n"), "ａ\tｂ\r\n");
    EXPECT_EQ(FullWidth(std::string("x\xff", 2)), std::string("ｘ\xff"));
    EXPECT_EQ(FullWidth(std::string("\xe3\x81", 2)), std::string("\xe3\x81"));
}

TEST_F(PitMessagesTest, ArmedWithTheDefaultTheRemindersComeInTheLastThreeLapsAndThenRepeat) {
    arm();
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), "10");
    EXPECT_TRUE(car.Txt_ZanRunCnt.enabled());
    EXPECT_EQ(car.Lbl_AutoMess1.foreColor(), colours::Black);
    EXPECT_EQ(car.Lbl_AutoMess2.foreColor(), colours::Black);

    // The reply of each pass, from arming through twelve lap advances.
    std::vector<std::string> autoTexts;
    for (int lap = 0; lap <= 12; ++lap) {
        if (lap > 0) {
            CountDownLapsLeft(host, 0);
        }
        ComposeOutMessage(host, 0);
        autoTexts.push_back(host.race.AutoMessText[0]);
    }
    const std::string lap3 = " [ あと３周でピットインです。 ] ";
    const std::string lap2 = " [ あと２周でピットインです。 ] ";
    const std::string lap1 = " [ 次の周でピットインしてください。 ] ";
    const std::string empty = " [ はよピットインせんかい！ ] ";
    const std::vector<std::string> expected = {" ",  " ",  " ",  " ",   " ",   " ",  " ",
                                               lap3, lap2, lap1, empty, empty, empty};
    EXPECT_EQ(autoTexts, expected);
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), "-2");
    EXPECT_EQ(host.race.OutMessText[0], empty);

    // Disarming (by the crew, a driver choice or Stop) takes the reminder off the next reply.
    car.Chk_ChgCnter.setValue(0);
    Chk_ChgCnter_Click(host, 0);
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), "0");
    EXPECT_FALSE(car.Txt_ZanRunCnt.enabled());
    EXPECT_EQ(car.Lbl_AutoMess1.foreColor(), colours::Grey);
    EXPECT_EQ(car.Lbl_AutoMess2.foreColor(), colours::Grey);
    EXPECT_EQ(reply(), "");
    EXPECT_EQ(host.race.AutoMessText[0], "");
    // Unarmed, the lap advance leaves the counter alone.
    CountDownLapsLeft(host, 0);
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), "0");
}

TEST_F(PitMessagesTest, TheTypedMessageGoesOutFullWidthWithTheReminderUntilTheLapAdvance) {
    car.Txt_OutMess.setText("pit 5");
    EXPECT_EQ(reply(), "ｐｉｔ　５");
    EXPECT_EQ(host.race.AutoMessText[0], "");

    host.race.Settings.AutoMessLap2 = "ﾗｽﾄ2";  // the reminder itself is sent as it stands
    arm();
    car.Txt_ZanRunCnt.setText("2");
    EXPECT_EQ(reply(), "ｐｉｔ　５ [ ﾗｽﾄ2 ] ");
    // Repeated with every reply of the lap, then cleared by the lap advance.
    EXPECT_EQ(reply(), "ｐｉｔ　５ [ ﾗｽﾄ2 ] ");
    EXPECT_EQ(car.Lbl_SentMess.caption(), "送信済：ｐｉｔ　５ [ ﾗｽﾄ2 ] ");
    CountDownLapsLeft(host, 0);
    EXPECT_EQ(car.Txt_OutMess.text(), "");
    EXPECT_EQ(reply(), " [ 次の周でピットインしてください。 ] ");

    // A message typed (or changed) after the last reply has not reached the car: the lap
    // advance leaves it for the next contact, and the panel still shows what the car was given.
    car.Txt_OutMess.setText("BOX");
    CountDownLapsLeft(host, 0);
    EXPECT_EQ(car.Txt_OutMess.text(), "BOX");
    EXPECT_EQ(car.Lbl_SentMess.caption(), "送信済： [ 次の周でピットインしてください。 ] ");
    EXPECT_EQ(reply(), "ＢＯＸ [ はよピットインせんかい！ ] ");
    car.Txt_OutMess.setText("BOX NOW");
    CountDownLapsLeft(host, 0);
    EXPECT_EQ(car.Txt_OutMess.text(), "BOX NOW");
    reply();
    CountDownLapsLeft(host, 0);
    EXPECT_EQ(car.Txt_OutMess.text(), "");
    // Disarmed, the replies carry no reminder and the panel stops showing it; replies without a
    // message leave the rest of the last one the car was given in view.
    car.Chk_ChgCnter.setValue(0);
    Chk_ChgCnter_Click(host, 0);
    EXPECT_EQ(car.Lbl_SentMess.caption(), "送信済：ＢＯＸ　ＮＯＷ");
    EXPECT_EQ(reply(), "");
    EXPECT_EQ(car.Lbl_SentMess.caption(), "送信済：ＢＯＸ　ＮＯＷ");
    // Typed again after it was cleared, the same words are a new message.
    car.Txt_OutMess.setText("BOX NOW");
    CountDownLapsLeft(host, 0);
    EXPECT_EQ(car.Txt_OutMess.text(), "BOX NOW");
}

TEST_F(PitMessagesTest, ALongTypedMessageIsCutButTheReminderGoesOutWhole) {
    arm();
    car.Txt_ZanRunCnt.setText("0");
    car.Txt_OutMess.setText(std::string(32767, 'x'));
    std::string typed;
    for (int i = 0; i < kOutMessMaxChars; ++i) {
        typed += "ｘ";
    }
    EXPECT_EQ(reply(), typed + " [ はよピットインせんかい！ ] ");
}

TEST_F(PitMessagesTest, TheCounterIsMatchedAsTextNotAsANumber) {
    arm();
    for (const char* s : {"05", "10", "4", "3.0", "00", "a"}) {
        car.Txt_ZanRunCnt.setText(s);
        ComposeOutMessage(host, 0);
        EXPECT_EQ(host.race.AutoMessText[0], " ") << s;
    }
    for (const char* s : {"", "0", "-1", "-12", "+3", " 3"}) {
        car.Txt_ZanRunCnt.setText(s);
        ComposeOutMessage(host, 0);
        EXPECT_EQ(host.race.AutoMessText[0], " [ はよピットインせんかい！ ] ") << s;
    }
}

TEST_F(PitMessagesTest, TheCountdownKeepsGoingAndWaitsForACounterStillBeingTyped) {
    arm();
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"3", "2"},
        {"0", "-1"},
        {"2.5", "1.5"},
        {"1,000", "999"},
        {"-1", "-2"},
        {"1.1", "0.1"},
        // Not a number yet: the counter stays, the lap still clears the message.
        {"1a", "1a"},
        {"", ""},
        {"-", "-"}};
    for (const auto& [before, after] : steps) {
        car.Txt_ZanRunCnt.setText(before);
        car.Txt_OutMess.setText("box");
        reply();
        CountDownLapsLeft(host, 0);
        EXPECT_EQ(car.Txt_ZanRunCnt.text(), after) << before;
        EXPECT_EQ(car.Txt_OutMess.text(), "") << before;
    }
}

TEST_F(PitMessagesTest, ACounterThatIsNotANumberIsRefusedWhenTheBoxIsLeft) {
    arm();
    car.Txt_ZanRunCnt.setText(" -3 ");
    Txt_ZanRunCnt_LostFocus(host, 0);
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), " -3 ");
    EXPECT_EQ(fakes.dialogs.beeps, 0);
    EXPECT_TRUE(fakes.focus.moves.empty());

    car.Txt_ZanRunCnt.setText("3x");
    Txt_ZanRunCnt_LostFocus(host, 0);
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), "0");
    EXPECT_EQ(fakes.dialogs.beeps, 1);
    EXPECT_EQ(fakes.focus.moves, std::vector<std::string>{"Txt_ZanRunCnt(0)"});
    EXPECT_TRUE(fakes.dialogs.boxes.empty());
}

TEST_F(PitMessagesTest, TheCarsTextBlinksUntilAnEmptyOneArrives) {
    ShowIncomingMessage(host, 0, "ﾀｲﾔ 変");
    EXPECT_EQ(car.Lbl_InMess.caption(), "ﾀｲﾔ 変");  // shown as the car sent it
    EXPECT_TRUE(car.Time_MessBlk.running());
    EXPECT_EQ(car.Lbl_InMess.backColor(), colours::LightYellow);
    Time_MessBlk_Timer(host, 0);
    EXPECT_EQ(car.Lbl_InMess.backColor(), colours::Pink);
    Time_MessBlk_Timer(host, 0);
    EXPECT_EQ(car.Lbl_InMess.backColor(), colours::LightYellow);
    Time_MessBlk_Timer(host, 0);

    // A report of just the lap field: empty, quiet and white.
    ShowIncomingMessage(host, 0, "");
    EXPECT_EQ(car.Lbl_InMess.caption(), "");
    EXPECT_FALSE(car.Time_MessBlk.enabled());
    EXPECT_EQ(car.Lbl_InMess.backColor(), colours::White);
}

TEST_F(PitMessagesTest, ADriverChangeTakesTheReminderOffThePanelAsOffTheReplies) {
    loadProgram();
    arm();
    car.Txt_ZanRunCnt.setText("1");
    EXPECT_EQ(reply(), " [ 次の周でピットインしてください。 ] ");
    EXPECT_EQ(car.Lbl_SentMess.caption(), "送信済： [ 次の周でピットインしてください。 ] ");
    car.Cmb_Driver.setText("鈴木");
    Cmb_Driver_Click(host, 0);
    EXPECT_EQ(car.Lbl_SentMess.caption(), "");
    EXPECT_EQ(reply(), "");
    EXPECT_EQ(car.Lbl_SentMess.caption(), "");
    // Disarming twice, or with nothing shown, leaves the panel as it is.
    car.Txt_OutMess.setText("ok");
    reply();
    Cmb_Driver_Click(host, 0);
    EXPECT_EQ(car.Lbl_SentMess.caption(), "送信済：ｏｋ");
}

}  // namespace
}  // namespace rennik
