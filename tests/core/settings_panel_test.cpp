#include "config/settings_panel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/text_file.h"
#include "config/settings_loader.h"
#include "support/host_fixture.h"

namespace rennik {
namespace {

class SettingsPanelTest : public test::HostFixture {
protected:
    void SetUp() override {
        loadProgram();
        m.form.width = 16500;
        m.form.height = 10800;
        Btn_Mess_Click(host);
    }
    Grid& grid() { return m.Spd_Mess; }
    void value(int row, const std::string& text) { grid().setCell(row, 2, text); }
};

TEST_F(SettingsPanelTest, OpeningShowsTheSevenSettingsAndSavingWritesThemAllAndRedrawsTheClocks) {
    EXPECT_TRUE(m.Frm_Mess.visible());
    EXPECT_EQ(m.Frm_Mess.left(), (16500 - 8400) / 2);
    EXPECT_FALSE(car.Frm_Runner.enabled());
    EXPECT_EQ(grid().cell(2, 1), "ラップ加算無通信秒数 (1～99)");
    EXPECT_EQ(grid().cell(7, 1), "自動メッセージチェック時のデフォルト周数");
    EXPECT_EQ(grid().cell(1, 2), "1/1000");
    EXPECT_EQ(grid().cell(6, 2), "はよピットインせんかい！");
    EXPECT_EQ(grid().cellChoices(1, 2), (std::vector<std::string>{"1/100", "1/1000"}));
    EXPECT_EQ(grid().activeRow(), 1);
    EXPECT_EQ(grid().activeCol(), 2);

    value(1, "1/100");
    value(2, "0.6");                                // rounds to 1
    value(3, "BOX, BOX\r\n[計測環境設定]\r\nx=1");  // may add neither a line nor a key
    value(4, "");                                   // saved empty
    value(5, std::string(100000, 'a'));
    value(7, "12周");
    Btn_MessOk_Click(host);

    EXPECT_FALSE(m.Frm_Mess.visible());
    EXPECT_TRUE(car.Frm_Runner.enabled());
    EXPECT_TRUE(m.Frm_Main.enabled());
    EXPECT_TRUE(fakes.dialogs.boxes.empty());
    const AppSettings& s = race.Settings;
    EXPECT_EQ(s.TicksPerSecond, 100);
    EXPECT_EQ(s.MsPerTick, 10);
    EXPECT_EQ(s.NoInputTicks, 100);
    EXPECT_EQ(s.AutoMessLap3, "BOX  BOX  [計測環境設定]  x=1");
    EXPECT_EQ(s.DefaultCheckLaps, 12);
    EXPECT_EQ(car.Lbl_Time.caption(), "0'00\"00");
    EXPECT_EQ(dir.readText("Rennik.ini"),
              "[計測環境設定]\r\n計測精度=1/100\r\nラップ加算無通信秒数=1\r\n[自動メッセージ設定]\r\n"
              "残り３周の自動メッセージ=BOX  BOX  [計測環境設定]  x=1\r\n残り２周の自動メッセージ=\r\n"
              "残り１周の自動メッセージ=" +
                  std::string(kAutoMessMaxChars, 'a') +
                  "\r\n残りが無くなった時の自動メッセージ=はよピットインせんかい！\r\n"
                  "チェック時のデフォルト周数=12\r\n");

    // At the next start the emptied message comes back as its default.
    test::FakePorts again;
    Host next{again.ports(), dir.path()};
    Mf_Open_Load(next, 28800, 16200);
    EXPECT_EQ(next.race.Settings.AutoMessLap2, "あと２周でピットインです。");
    EXPECT_EQ(next.race.Settings.MeasurePrecision, "1/100");
}

TEST_F(SettingsPanelTest, ABadSecondsOrLapCountKeepsThePanelOpenOnItsCellAndWritesNothing) {
    const std::string before = dir.readText("Rennik.ini");
    for (const char* bad : {"0", "100", "99.5", "abc", "1e300"}) {
        value(1, "1/100");
        value(2, bad);
        Btn_MessOk_Click(host);
        ASSERT_FALSE(fakes.dialogs.boxes.empty()) << bad;
        EXPECT_EQ(fakes.dialogs.boxes.back().text,
                  "無通信ラップ加算秒数が不正です。１から99までで指定してください。");
        EXPECT_EQ(fakes.dialogs.boxes.back().title, "Rennik1");
        EXPECT_TRUE(m.Frm_Mess.visible());
        EXPECT_EQ(grid().activeRow(), 2);
        EXPECT_EQ(grid().activeCol(), 2);
        EXPECT_EQ(fakes.focus.moves.back(), "Spd_Mess");
    }
    EXPECT_EQ(dir.readText("Rennik.ini"), before);
    // The precision was taken over before the check, and Cancel keeps it in memory only.
    Btn_MessCancel_Click(host);
    EXPECT_EQ(race.Settings.TicksPerSecond, 100);
    EXPECT_NE(dir.readText("Rennik.ini").find("計測精度=1/1000"), std::string::npos);

    Btn_Mess_Click(host);
    value(2, "99");
    value(7, "3000000000");
    Btn_MessOk_Click(host);
    EXPECT_NE(fakes.dialogs.boxes.back().text.find("デフォルト周数が不正です"), std::string::npos);
    EXPECT_TRUE(m.Frm_Mess.visible());
    EXPECT_EQ(grid().activeRow(), 7);
    EXPECT_EQ(race.Settings.DefaultCheckLaps, 10);
    EXPECT_EQ(dir.readText("Rennik.ini"), before);
}

TEST_F(SettingsPanelTest, TheCursorStaysInTheValueColumnAndAnUnwritableFileIsSaid) {
    grid().setActiveCell(4, 1);
    Spd_Mess_CellChanged(host, 1, 4, 2, 3);
    EXPECT_EQ(grid().activeRow(), 3);
    EXPECT_EQ(grid().activeCol(), 2);
    grid().setActiveCell(5, 2);
    Spd_Mess_CellChanged(host, 2, 5, 2, 3);
    EXPECT_EQ(grid().activeRow(), 5);

    // Rennik.ini replaced by a folder of that name: no write can go over it, even for root.
    std::filesystem::remove(dir / "Rennik.ini");
    std::filesystem::create_directory(dir / "Rennik.ini");
    value(2, "5");
    Btn_MessOk_Click(host);
    EXPECT_EQ(race.Settings.NoInputSeconds, 5);
    EXPECT_FALSE(m.Frm_Mess.visible());
    ASSERT_EQ(fakes.dialogs.boxes.size(), 1U);
    EXPECT_EQ(fakes.dialogs.boxes.back().text,
              "設定ファイル " + text_file::pathToUtf8(dir / "Rennik.ini") +
                  " に書き込めません。\n同じ名前のフォルダがあります。別の名前を付けてください。\n"
                  "設定はこのまま有効ですが、次の起動では元の設定に戻ります。");
}

}  // namespace
}  // namespace rennik
