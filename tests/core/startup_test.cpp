#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/text_file.h"
#include "config/master_lists.h"
#include "core/car_panel_input.h"
#include "core/startup.h"
#include "drivers/driver_popup.h"
#include "fuel/refuel.h"
#include "messages/pit_messages.h"
#include "support/host_fixture.h"

namespace rennik {
namespace {

class StartupTest : public test::HostFixture {
protected:
    // Start-up screen load, then its timer, as the program runs them.
    void startProgram() {
        host.open.form.width = 6000;
        host.open.form.height = 3000;
        host.main.form.width = 16500;
        host.main.form.height = 10800;
        loadProgram();
    }
};

TEST_F(StartupTest, StartupScreenWaitsThreeSecondsThenOpensTheMainScreenCentred) {
    host.open.form.width = 6000;
    host.open.form.height = 3000;
    Mf_Open_Load(host, 28800, 16200);
    EXPECT_TRUE(host.open.form.visible);
    EXPECT_EQ(host.open.form.left, 11400);
    EXPECT_EQ(host.open.form.top, 6600);
    EXPECT_TRUE(host.open.Timer1.running());
    EXPECT_EQ(host.open.Timer1.interval(), 3000);
    EXPECT_EQ(host.race.IniPath, dir / "Rennik.ini");
    EXPECT_EQ(host.race.DriverFilePath, dir / "Drivers.ini");
    EXPECT_TRUE(std::filesystem::exists(dir / "Rennik.ini"));
    // The master files are read only when the main screen opens.
    EXPECT_FALSE(std::filesystem::exists(dir / "Car.ini"));
    EXPECT_FALSE(host.main.form.visible);

    host.main.form.width = 16500;
    host.main.form.height = 10800;
    Timer1_Timer(host);
    EXPECT_FALSE(host.open.Timer1.enabled());
    EXPECT_FALSE(host.open.form.visible);
    EXPECT_TRUE(host.main.form.visible);
    EXPECT_EQ(host.main.form.left, 6150);
    EXPECT_EQ(host.main.form.top, 2700);
    EXPECT_EQ(host.main.Frm_MessHeight, 2580);
    EXPECT_EQ(host.main.Spd_MessHeight, 1590);
    EXPECT_EQ(host.main.Spd_Mess.rowCount(), 7);
    EXPECT_EQ(host.main.Btn_MessOkTop, 2025);
    EXPECT_EQ(host.main.Btn_MessCancelTop, 2025);
}

TEST_F(StartupTest, MainScreenLoadShowsAnIdleCarPanelWithTodayAndTheHostAddress) {
    fakes.clock.set({2026, 3, 7, 10, 0, 0});
    startProgram();
    const MainScreen& m = host.main;
    const CarPanel& car = m.car;
    EXPECT_EQ(car.Frm_Runner.caption(), "１号車");
    EXPECT_EQ(host.race.LapMark[0], "N");
    EXPECT_EQ(car.Lbl_IP.caption(), "");
    EXPECT_EQ(car.Lbl_Time.caption(), "0'00\"000");
    EXPECT_EQ(car.Spd_LapTime.rowCount(), 0);
    EXPECT_EQ(car.Spd_LapTime.header(1), "タイム");
    EXPECT_EQ(car.Spd_LapTime.header(2), "ドライバ");
    EXPECT_EQ(car.Spd_LapTime.header(3), "備考");
    EXPECT_EQ(car.Spd_DriverInfo.rowCount(), 0);
    EXPECT_EQ(car.Spd_DriverInfo.header(2), "Best Lap");
    EXPECT_EQ(car.Spd_DriverInfo.header(3), "Ave Lap");
    EXPECT_FALSE(car.Frm_LapInfo.visible());
    EXPECT_EQ(m.Txt_Date.text(), "2026/3/7");
    EXPECT_EQ(m.Btn_Write.caption(), "走行結果\r保存");
    EXPECT_EQ(m.Lbl_LocalIP.caption(), "IP : 192.168.1.10");
    EXPECT_EQ(m.Spd_Car.header(4), "平均燃費(Km/l)");
    EXPECT_EQ(m.Spd_Course.header(2), "全長(単位m)");
    EXPECT_EQ(m.Spd_Drivers.header(1), "ドライバ名");
    EXPECT_EQ(m.Btn_Start.caption(), "Start");
    EXPECT_TRUE(m.Btn_End.enabled());
    EXPECT_FALSE(m.Btn_OtherLap.enabled());

    // The address check listens on 7001 and replies to 7002; nothing was said.
    ASSERT_EQ(fakes.sockets.net->opens.size(), 1U);
    EXPECT_EQ(fakes.sockets.net->opens[0].localPort, 7001);
    EXPECT_EQ(fakes.sockets.net->opens[0].remotePort, 7002);
    EXPECT_TRUE(fakes.sockets.net->isBound(7001));
    EXPECT_TRUE(fakes.dialogs.boxes.empty());
    for (const char* name : {"Car.ini", "Course.ini", "Drivers.ini"}) {
        EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
    }
}

TEST_F(StartupTest, CoarsePrecisionShowsTwoFractionDigits) {
    dir.writeText("Rennik.ini", "[計測環境設定]\r\n計測精度=1/100\r\n");
    startProgram();
    EXPECT_EQ(host.main.car.Lbl_Time.caption(), "0'00\"00");
}

TEST_F(StartupTest, AddressCheckPortInUseIsReportedOnceAndTheProgramRunsOn) {
    fakes.sockets.net->takenPorts.insert(7001);
    startProgram();
    ASSERT_EQ(fakes.dialogs.boxes.size(), 1U);
    const MessageBoxRequest& box = fakes.dialogs.boxes[0];
    EXPECT_NE(box.text.find("7001"), std::string::npos);
    EXPECT_EQ(box.title, "Rennik1");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(host.chker, nullptr);
    EXPECT_TRUE(host.main.form.visible);
    EXPECT_EQ(host.main.car.Frm_Runner.caption(), "１号車");
    EXPECT_EQ(host.main.Spd_Car.header(1), "車輌名");
}

TEST_F(StartupTest, ReadOnlyFolderStartsOnDefaultsAndSaysNothing) {
    if (!dir.makeReadOnly()) {
        GTEST_SKIP() << "the folder stays writable for this user (root, or anyone on Windows)";
    }
    startProgram();
    EXPECT_EQ(host.race.Settings.NoInputTicks, 10000);
    EXPECT_EQ(host.race.Settings.AutoMessEmpty, "はよピットインせんかい！");
    EXPECT_TRUE(host.main.form.visible);
    EXPECT_TRUE(host.main.car.Cmb_Driver.items().empty());
    EXPECT_EQ(host.main.Spd_Car.rowCount(), 50);
    EXPECT_TRUE(fakes.dialogs.boxes.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(StartupTest, ASettingsFileThatCannotBeReadIsSaidAndLeftAlone) {
    // A folder where Rennik.ini should be: there, but no file to read (as a file without read
    // permission is, for anyone but root).
    std::filesystem::create_directory(dir / "Rennik.ini");
    startProgram();
    ASSERT_EQ(fakes.dialogs.boxes.size(), 1U);
    const MessageBoxRequest& box = fakes.dialogs.boxes[0];
    EXPECT_EQ(box.text, "設定ファイル " + (dir / "Rennik.ini").string() +
                            " を読み込めません。\n既定の設定で計測します。このファイルには書き込みません。");
    EXPECT_EQ(box.title, "Rennik1");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(host.race.Settings.NoInputTicks, 10000);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Rennik.ini"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "Rennik.ini"));
}

#ifndef _WIN32
TEST_F(StartupTest, ASettingsFileLinkThatLeadsNowhereIsSaidAndStaysALink) {
    std::filesystem::create_symlink("stick/Rennik.ini", dir / "Rennik.ini");
    startProgram();
    ASSERT_EQ(fakes.dialogs.boxes.size(), 1U);
    const MessageBoxRequest& box = fakes.dialogs.boxes[0];
    EXPECT_EQ(box.text,
              "設定ファイル " + (dir / "Rennik.ini").string() +
                  " を読み込めません。\nファイルはリンクですが、リンク先がありません。リンクを直すか、削除し"
                  "てください。\n既定の設定で計測します。このファイルには書き込みません。");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(host.race.Settings.NoInputTicks, 10000);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "Rennik.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir / "stick"));
}
#endif

// A save cut short (the program killed, the power gone) leaves its temporary file; the next start
// clears those of the program's own files and results, and nothing of the crew's.
TEST_F(StartupTest, LeftoversOfSavesCutShortAreClearedAtStartAndNothingElse) {
    std::filesystem::create_directory(dir / "results");
    for (const char* leftover :
         {"Rennik.ini.tmp4711", "Car.ini.tmp0", "Course.ini.tmp999999", "Drivers.ini.tmp12",
          "もてぎ 8時間_2026-12-08_0900.txt.tmp5", "results/2026-12-07_0905.txt.tmp123"}) {
        ASSERT_TRUE(dir.writeText(leftover, "x"));
    }
    const std::vector<std::string> kept{"Car.ini.tmp1234567", "Rennik1.db.tmp3", "memo.tmp12",
                                        "results/メモ.tmp5"};
    for (const std::string& name : kept) {
        ASSERT_TRUE(dir.writeText(name, "x"));
    }
    startProgram();
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
        const std::string name =
            text_file::pathToUtf8(e.path().lexically_relative(dir.path()).generic_u8string());
        if (name.find(".tmp") != std::string::npos) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, kept);
}

TEST_F(StartupTest, TheReminderCounterStartsUnarmedAndTheMessageBoxHasItsLimit) {
    startProgram();
    const CarPanel& car = host.main.car;
    EXPECT_EQ(car.Chk_ChgCnter.value(), 0);
    EXPECT_EQ(car.Txt_ZanRunCnt.text(), "0");
    EXPECT_FALSE(car.Txt_ZanRunCnt.enabled());
    EXPECT_EQ(car.Lbl_AutoMess1.foreColor(), colours::Grey);
    EXPECT_EQ(car.Lbl_AutoMess2.foreColor(), colours::Grey);
    EXPECT_EQ(car.Txt_OutMess.maxLength(), kOutMessMaxChars);
    EXPECT_TRUE(fakes.dialogs.boxes.empty());
}

TEST_F(StartupTest, EndAsksFirstAndEndsOnlyOnYes) {
    startProgram();
    fakes.dialogs.answerNext(Answer::No);
    Btn_End_Click(host);
    ASSERT_EQ(fakes.dialogs.boxes.size(), 1U);
    const MessageBoxRequest& box = fakes.dialogs.boxes[0];
    EXPECT_EQ(box.text, "終了します。よろしいですか？");
    EXPECT_EQ(box.title, "終了確認");
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.defaultButton, Answer::No);
    EXPECT_EQ(host.race.MsgAnswer, 7);
    EXPECT_EQ(fakes.app.quits, 0);
    EXPECT_TRUE(fakes.sockets.net->isBound(7001));

    fakes.dialogs.answerNext(Answer::Yes);
    Btn_End_Click(host);
    EXPECT_EQ(fakes.dialogs.boxes.size(), 2U);
    EXPECT_EQ(fakes.app.quits, 1);
    EXPECT_FALSE(fakes.sockets.net->isBound(7001));
}

TEST_F(StartupTest, DriverPopupClosesWhenAnotherCarPanelControlIsUsed) {
    startProgram();
    CarPanel& car = host.main.car;
    Btn_DriverInfo_Click(host, 0);
    EXPECT_TRUE(car.Btn_DriverInfo.down());
    EXPECT_TRUE(car.Frm_DriverLap.visible());
    EXPECT_TRUE(car.Time_DriverInfo.running());
    EXPECT_EQ(car.Time_DriverInfo.interval(), 30000);
    Btn_DriverInfo_Click(host, 0);
    EXPECT_FALSE(car.Frm_DriverLap.visible());
    EXPECT_FALSE(car.Time_DriverInfo.enabled());

    using Use = void (*)(Host&, int);
    for (Use use : {Use{Txt_OutMess_GotFocus}, Use{Txt_InGasl_GotFocus}, Use{Cmb_Driver_GotFocus},
                    Use{Spd_LapTime_GotFocus}, Use{Btn_Kyuyu_Click}, Use{Time_DriverInfo_Timer}}) {
        Btn_DriverInfo_Click(host, 0);
        ASSERT_TRUE(car.Frm_DriverLap.visible());
        use(host, 0);
        EXPECT_FALSE(car.Frm_DriverLap.visible());
        EXPECT_FALSE(car.Btn_DriverInfo.down());
        EXPECT_FALSE(car.Time_DriverInfo.enabled());
    }
    EXPECT_THROW(CloseDriverPopup(host, 1), std::out_of_range);
}

}  // namespace
}  // namespace rennik
