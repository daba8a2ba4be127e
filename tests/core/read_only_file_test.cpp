#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/text_file.h"
#include "config/car_master.h"
#include "config/settings_panel.h"
#include "report/result_file.h"
#include "support/host_fixture.h"

namespace rennik {
namespace {

namespace fs = std::filesystem;

const std::string kReason =
    "ファイルが読み取り専用になっています。書き換えるには読み取り専用を外してください。";

// A file the crew has made read-only is their decision: every save they ask for (the three master
// editors save through one path) refuses it with a box naming it, and the file, its protection and
// what is on the screen stay as they were.
class ReadOnlyFileTest : public test::HostFixture {
protected:
    void SetUp() override {
        dir.writeText("Car.ini", "Alpha,Ito,40,12.5\r\n");
        loadProgram();
        lock("Car.ini");
        lock("Rennik.ini");
    }
    void lock(const std::string& name) {
        fs::permissions(dir / name, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
    bool locked(const std::string& name) const {
        return (fs::status(dir / name).permissions() & fs::perms::owner_write) == fs::perms::none;
    }
    std::string lastBox() const { return fakes.dialogs.boxes.empty() ? "" : fakes.dialogs.boxes.back().text; }
};

TEST_F(ReadOnlyFileTest, EverySaveRefusesALockedFileWithABoxNamingIt) {
    Btn_Car_Click(host);
    m.Spd_Car.setCell(2, 1, "Beta");
    Btn_CarOK_Click(host);
    EXPECT_EQ(lastBox(), "ファイル " + text_file::pathToUtf8(dir / "Car.ini") + " に書き込めません。\n" +
                             kReason + "\n入力した内容は編集画面に残っています。");
    EXPECT_EQ(fakes.dialogs.boxes.back().icon, MsgIcon::Exclamation);
    EXPECT_TRUE(m.Frm_Car.visible());
    EXPECT_EQ(m.Spd_Car.cell(2, 1), "Beta");
    EXPECT_EQ(dir.readText("Car.ini"), "Alpha,Ito,40,12.5\r\n");
    Btn_CarCancel_Click(host);

    // The settings are taken into use all the same, as for any settings file that cannot be written.
    const std::string settings = dir.readText("Rennik.ini");
    Btn_Mess_Click(host);
    m.Spd_Mess.setCell(2, 2, "5");
    Btn_MessOk_Click(host);
    EXPECT_EQ(lastBox(), "設定ファイル " + text_file::pathToUtf8(dir / "Rennik.ini") +
                             " に書き込めません。\n" + kReason +
                             "\n設定はこのまま有効ですが、次の起動では元の設定に戻ります。");
    EXPECT_EQ(race.Settings.NoInputSeconds, 5);
    EXPECT_EQ(dir.readText("Rennik.ini"), settings);

    ASSERT_TRUE(dir.writeText("結果.txt", "前回の結果\r\n"));
    lock("結果.txt");
    const std::string chosen = text_file::pathToUtf8(dir / "結果.txt");
    fakes.dialogs.saveAsNext(chosen);
    Btn_Write_Click(host);
    EXPECT_EQ(lastBox(), "ファイル " + chosen + " に書き込めません。\n" + kReason +
                             "\n走行結果は画面に残っています。別の場所を選んで保存してください。");
    EXPECT_EQ(dir.readText("結果.txt"), "前回の結果\r\n");

    EXPECT_EQ(fakes.dialogs.boxes.size(), 3U);
    for (const char* name : {"Car.ini", "Rennik.ini", "結果.txt"}) {
        EXPECT_TRUE(locked(name)) << name;
    }

    // Once the crew has unlocked the file, the same press saves.
    fs::permissions(dir / "Car.ini", fs::perms::owner_write, fs::perm_options::add);
    Btn_Car_Click(host);
    m.Spd_Car.setCell(2, 1, "Beta");
    Btn_CarOK_Click(host);
    EXPECT_FALSE(m.Frm_Car.visible());
    EXPECT_EQ(dir.readText("Car.ini"), "Alpha,Ito,40,12.5\r\nBeta,,0,0\r\n");
}

}  // namespace
}  // namespace rennik
