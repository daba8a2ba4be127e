#include "report/result_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/sjis.h"
#include "base/text_file.h"
#include "carlink/lap_correction.h"
#include "config/car_master.h"
#include "drivers/driver_choice.h"
#include "support/host_fixture.h"
#include "timing/lap_display.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

const std::string kHeader = "イベント名:もてぎ 8時間\r\n日付:2026/12/8\r\n天気:晴\r\n気温:12\r\n\r\n";
const std::string kSeparator = std::string(40, '-') + "\r\n";

class ResultFileTest : public test::HostFixture {
protected:
    void SetUp() override {
        dir.writeText("Car.ini", "Eco 1,Ito,40,20\r\n");
        dir.writeText("Drivers.ini", "山田\r\n鈴木\r\n");
        fakes.clock.set({2026, 12, 8, 9, 0, 0});
        loadProgram();
        m.Txt_Event.setText("もてぎ 8時間");
        m.Cmb_Tenki.setText("晴");
        m.Txt_Kion.setText("12");
    }
    void report(std::int32_t tick, const std::string& utf8) {
        fakes.ticks.now = tick;
        ASSERT_TRUE(
            fakes.sockets.deliver(7011, sjis::fromUtf8(utf8), "127.0.0.1", test::FakeTicks::momentOf(tick)));
    }
    void chooseDriver(int index) {
        car.Cmb_Driver.choose(index);
        Cmb_Driver_Click(host, 0);
    }
    // The file the save writes, as bytes: Shift-JIS with CR LF.
    std::string saved() {
        const std::string path = text_file::pathToUtf8(dir / "結果.txt");
        fakes.dialogs.saveAsNext(path);
        Btn_Write_Click(host);
        return text_file::readBytes(dir / "結果.txt").value_or("(no file)");
    }
};

TEST_F(ResultFileTest, BeforeAnyRunTheFileHoldsTheHeaderAndTheEmptyCarOnlyWithAnAddress) {
    m.Txt_Kion.setText("");
    EXPECT_EQ(saved(),
              sjis::fromUtf8("イベント名:もてぎ 8時間\r\n日付:2026/12/8\r\n天気:晴\r\n気温:\r\n\r\n"));
    const auto& dialog = fakes.dialogs.saves.back();
    EXPECT_EQ(dialog.title, "ファイル書込");
    EXPECT_EQ(dialog.filter, "テキストデータ (*.txt)|*.txt|全てのファイル (*.*)|*.*");
    // Before any run the dialog offers the event's name in the data folder.
    EXPECT_EQ(dialog.fileName, text_file::pathToUtf8(dir / "もてぎ 8時間.txt"));

    registerCar("127.0.0.1");
    m.Txt_Kion.setText("12");
    EXPECT_EQ(saved(), sjis::fromUtf8(kHeader + kSeparator + "１号車\r\n車輌名:\r\n" + kSeparator +
                                      kSeparator + "個人集計\r\n" + kSeparator));
}

TEST_F(ResultFileTest, ARunWithAGapRowACommaInAMessageAndTwoDriversIsWrittenLineByLine) {
    registerCar("127.0.0.1");
    car.Cmb_Car.choose(0);
    Cmb_Car_Click(host, 0);
    chooseDriver(0);
    Btn_Start_Click(host);
    report(61000, "001給油, OK");
    report(61500, "001");
    chooseDriver(1);
    report(123000, "002");
    // Lap 3 is skipped by hand once the car has left; lap 4 closes, lap 5 is on its way at Stop.
    fakes.ticks.now = 133001;
    fakes.dialogs.typeNext("4");
    car.Cmb_Driver.setText("鈴木");
    Btn_LapChg_Click(host, 0);
    report(190000, "004");
    car.Spd_LapTime.setCell(2, 3, "雨\r\n降り始め");
    fakes.ticks.now = 205000;
    Time_Lap_Timer(host, 0);
    ASSERT_EQ(car.Spd_LapTime.rowCount(), 5);
    fakes.dialogs.answerNext(Answer::Yes);
    Btn_Start_Click(host);

    EXPECT_EQ(sjis::toUtf8(saved()), kHeader + kSeparator + "１号車\r\n車輌名:Eco 1\r\n" + kSeparator +
                                         "1,1'01\"000,山田,,, 給油, OK\r\n"
                                         "2,1'02\"000,鈴木,雨  降り始め,, \r\n"
                                         "4,1'07\"000,鈴木,,, \r\n" +
                                         kSeparator + "個人集計\r\n" + kSeparator +
                                         "山田,1'01\"000-1L,1'01\"000\r\n"
                                         "鈴木,1'02\"000-2L,1'04\"500\r\n");
}

TEST_F(ResultFileTest, AtOneHundredthTheLapTimesHaveTwoFractionDigits) {
    race.Settings.setMeasurePrecision("1/100");
    registerCar("127.0.0.1");
    chooseDriver(0);
    Btn_Start_Click(host);
    report(6123, "001");
    const std::string text = sjis::toUtf8(saved());
    EXPECT_NE(text.find("\r\n1,1'01\"23,山田,,, \r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n山田,1'01\"23-1L,1'01\"23\r\n"), std::string::npos) << text;
}

TEST_F(ResultFileTest, CancelWritesNothingAndAFailedWriteKeepsTheOldFileAndSaysSo) {
    registerCar("127.0.0.1");
    Btn_Write_Click(host);  // cancelled: no path
    EXPECT_TRUE(fakes.dialogs.boxes.empty());

    ASSERT_TRUE(dir.writeText("old.txt", "前回の結果\r\n"));
    // A folder where the temporary file would go cannot be written, even by root: the chosen
    // name sits in a folder that does not exist.
    const std::string missing = text_file::pathToUtf8(dir / "無い" / "結果.txt");
    fakes.dialogs.saveAsNext(missing);
    Btn_Write_Click(host);
    ASSERT_EQ(fakes.dialogs.boxes.size(), 1U);
    EXPECT_EQ(
        fakes.dialogs.boxes.back().text,
        "ファイル " + missing +
            " に書き込めません。\nフォルダが見つかりません。USBメモリなどが抜けていないか確かめてください。\n"
            "走行結果は画面に残っています。別の場所を選んで保存してください。");
    EXPECT_EQ(fakes.dialogs.boxes.back().title, "Rennik1");

    // Replacing a file of the chosen name goes through a temporary file, so the old result is
    // whole until the new one is.
    fakes.dialogs.saveAsNext(text_file::pathToUtf8(dir / "old.txt"));
    Btn_Write_Click(host);
    EXPECT_EQ(dir.readText("old.txt").rfind("イベント名:", 0), 0U);
    EXPECT_EQ(fakes.dialogs.boxes.size(), 1U);
}

// A save cut short in a folder of the crew's choosing leaves its temporary there; the next save
// into that folder clears those of result files and of the chosen name, and nothing else.
TEST_F(ResultFileTest, SavingIntoAFolderClearsTheLeftoversOfSavesCutShortThere) {
    const std::filesystem::path stick = dir / "USB";
    std::filesystem::create_directory(stick);
    for (const char* name : {"前回.txt.tmp4711", "結果.dat.tmp3", "Old.TXT.tmp8", "x.tmp12", "memo.doc.tmp5",
                             "前回.txt.tmp0123"}) {
        ASSERT_TRUE(dir.writeText(std::string("USB/") + name, "x"));
    }
    fakes.dialogs.saveAsNext(text_file::pathToUtf8(dir / "USB/結果.dat"));
    Btn_Write_Click(host);
    EXPECT_TRUE(fakes.dialogs.boxes.empty());
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(stick)) {
        names.push_back(text_file::pathToUtf8(e.path().filename()));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"memo.doc.tmp5", "x.tmp12", "前回.txt.tmp0123", "結果.dat"}));
}

TEST(ResultFileName, EventNameAndRunStartWithWhatAFileNameCannotHoldReplaced) {
    const LocalDateTime start{2026, 12, 7, 9, 5, 31};
    EXPECT_EQ(ResultFileName("もてぎ 8時間", start), "もてぎ 8時間_2026-12-07_0905.txt");
    EXPECT_EQ(ResultFileName("", start), "2026-12-07_0905.txt");
    EXPECT_EQ(ResultFileName("   ", start), "2026-12-07_0905.txt");
    EXPECT_EQ(ResultFileName("", LocalDateTime{}), "走行結果.txt");
    EXPECT_EQ(ResultFileName("a/b\\c:d*e?f\"g<h>i|j\tk", start), "a_b_c_d_e_f_g_h_i_j_k_2026-12-07_0905.txt");
    // A folder part or a name Windows would shorten stays one plain name.
    EXPECT_EQ(ResultFileName("../..", start), "..__2026-12-07_0905.txt");
    EXPECT_EQ(ResultFileName("耐久. ", LocalDateTime{}), "耐久.txt");
    EXPECT_EQ(sjis::charCount(ResultFileName(std::string(300, 'x'), start)), 60U + 20U);
}

}  // namespace
}  // namespace rennik
