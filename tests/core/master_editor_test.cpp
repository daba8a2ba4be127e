#include "config/master_editor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "config/car_master.h"
#include "config/course_master.h"
#include "config/driver_master.h"
#include "support/host_fixture.h"

namespace rennik {
namespace {

class MasterEditorTest : public test::HostFixture {
protected:
    void SetUp() override {
        dir.writeText("Car.ini", "Alpha,Ito,40,12.5\r\nBeta,Sato,30,20\r\n");
        dir.writeText("Course.ini", "Oval,1200\r\n");
        dir.writeText("Drivers.ini", "山田\r\n鈴木\r\n");
        loadProgram();
        // The main screen as the binding measured it: 1100 x 720 pixels.
        m.form.width = 16500;
        m.form.height = 10800;
    }
    std::string fileText(const std::string& name) const { return dir.readText(name); }
};

TEST_F(MasterEditorTest, OpeningCentresTheEditorDisablesTheScreenAndCancelLeavesEverything) {
    m.Spd_Car.setCell(1, 1, "typed before");
    Btn_Car_Click(host);
    EXPECT_TRUE(m.Frm_Car.visible());
    EXPECT_EQ(m.Frm_Car.left(), (16500 - m.Frm_Car.width()) / 2);
    EXPECT_EQ(m.Frm_Car.top(), (10800 - m.Frm_Car.height()) / 2);
    EXPECT_FALSE(car.Frm_Runner.enabled());
    EXPECT_FALSE(m.Frm_Main.enabled());
    EXPECT_EQ(fakes.focus.moves.back(), "Spd_Car");
    // The grid is refilled from the file: 50 rows, the records in file order.
    EXPECT_EQ(m.Spd_Car.rowCount(), 50);
    EXPECT_EQ(m.Spd_Car.cell(1, 1), "Alpha");
    EXPECT_EQ(m.Spd_Car.cell(2, 4), "20");

    m.Spd_Car.setCell(1, 1, "Gamma");
    Btn_CarCancel_Click(host);
    EXPECT_FALSE(m.Frm_Car.visible());
    EXPECT_TRUE(car.Frm_Runner.enabled());
    EXPECT_TRUE(m.Frm_Main.enabled());
    EXPECT_EQ(fileText("Car.ini"), "Alpha,Ito,40,12.5\r\nBeta,Sato,30,20\r\n");

    // Opening and cancelling any number of times never repeats an entry in the selectors.
    for (int n = 0; n < 3; ++n) {
        Btn_Drivers_Click(host);
        Btn_DrvCancel_Click(host);
        Btn_Cource_Click(host);
        Btn_CourceCancel_Click(host);
    }
    EXPECT_EQ(car.Cmb_Driver.items(), (std::vector<std::string>{"山田", "鈴木"}));
    EXPECT_EQ(m.Cmb_Course.items(), (std::vector<std::string>{"Oval(1200m)\t1200"}));
    EXPECT_EQ(car.Cmb_Car.items().size(), 2U);
}

TEST_F(MasterEditorTest, SavingWritesTheRowsAsStoredAndReloadsTheSelectorsInFileOrder) {
    Btn_Car_Click(host);
    Grid& g = m.Spd_Car;
    g.setCell(1, 3, "40l");           // a unit after the figure
    g.setCell(2, 1, "  Beta,Two  ");  // a comma and blanks around the name
    g.setCell(2, 3, "litres");        // no number at all
    g.setCell(2, 4, " 0.1e2");
    g.setCell(4, 1, "Delta");  // row 3 empty between filled rows
    g.setCell(5, 1, "   ");    // blanks only: not a car
    g.setCell(5, 3, "99");
    g.setCell(6, 1, "Line\r\nbreak\tand tab");
    g.setCell(7, 1, "　全角　");  // full-width blanks around the name
    g.setCell(8, 1, "Ω😀");        // not in Shift-JIS
    g.setCell(8, 3, "1e60");      // beyond single precision
    Btn_CarOK_Click(host);

    EXPECT_FALSE(m.Frm_Car.visible());
    EXPECT_TRUE(car.Frm_Runner.enabled());
    EXPECT_EQ(fileText("Car.ini"),
              "Alpha,Ito,40,12.5\r\nBeta Two,Sato,0,10\r\nDelta,,0,0\r\nLine  break and tab,,0,0\r\n"
              "全角,,0,0\r\nΩ?,,0,0\r\n");
    EXPECT_EQ(car.Cmb_Car.items(),
              (std::vector<std::string>{"Alpha\t40\t12.5", "Beta Two\t0\t10", "Delta\t0\t0",
                                        "Line  break and tab\t0\t0", "全角\t0\t0", "Ω?\t0\t0"}));
    // The editor shows what the file holds, as the next opening finds it.
    Btn_Car_Click(host);
    EXPECT_EQ(m.Spd_Car.cell(6, 1), "Ω?");
    EXPECT_EQ(m.Spd_Car.cell(7, 1), "");
    Btn_CarCancel_Click(host);

    Btn_Cource_Click(host);
    m.Spd_Course.setCell(1, 2, "1,500");
    m.Spd_Course.setCell(2, 1, "Long");
    m.Spd_Course.setCell(2, 2, "2500.5");
    m.Spd_Course.setCell(3, 1, "Longer");
    m.Spd_Course.setCell(3, 2, "2501.5");
    m.Spd_Course.setCell(4, 1, "Huge");
    m.Spd_Course.setCell(4, 2, "3000000000");
    m.Spd_Course.setCell(5, 1, "None");
    Btn_CourceOK_Click(host);
    EXPECT_EQ(fileText("Course.ini"), "Oval,1500\r\nLong,2500\r\nLonger,2502\r\nHuge,0\r\nNone,0\r\n");
    EXPECT_EQ(m.Cmb_Course.items().front(), "Oval(1500m)\t1500");

    Btn_Drivers_Click(host);
    m.Spd_Drivers.setCell(1, 1, "");
    m.Spd_Drivers.setCell(3, 1, "佐藤, 次郎");
    m.Spd_Drivers.setCell(5, 1, "高橋");
    Btn_DrvOk_Click(host);
    EXPECT_EQ(fileText("Drivers.ini"), "鈴木\r\n佐藤  次郎\r\n高橋\r\n");
    EXPECT_EQ(car.Cmb_Driver.items(), (std::vector<std::string>{"鈴木", "佐藤  次郎", "高橋"}));
    EXPECT_EQ(m.Spd_Drivers.cell(2, 1), "佐藤  次郎");
}

TEST_F(MasterEditorTest, DeletingRowsMovesTheRestUpAndKeepsEveryRowOfALongFile) {
    std::string many;
    for (int n = 1; n <= 60; ++n) {
        many.append("D").append(std::to_string(n)).append("\r\n");
    }
    dir.writeText("Drivers.ini", many);
    Btn_Drivers_Click(host);
    Grid& g = m.Spd_Drivers;
    ASSERT_EQ(g.rowCount(), 60);
    g.setActiveCell(7, 1);
    Spd_Drivers_ButtonClicked(host, 1, 2);  // the name column: nothing happens
    EXPECT_EQ(g.cell(2, 1), "D2");
    Spd_Drivers_ButtonClicked(host, 2, 2);
    EXPECT_EQ(g.cell(2, 1), "D3");
    EXPECT_EQ(g.rowCount(), 60);
    EXPECT_EQ(g.cell(60, 1), "");
    EXPECT_EQ(g.activeRow(), 1);
    EXPECT_EQ(g.activeCol(), 1);
    Btn_DrvOk_Click(host);
    const std::string saved = fileText("Drivers.ini");
    EXPECT_EQ(saved.substr(0, 8), "D1\r\nD3\r\n");
    EXPECT_NE(saved.find("D60\r\n"), std::string::npos);
    EXPECT_EQ(car.Cmb_Driver.items().size(), 59U);

    // The last remaining course deleted: the file is emptied, the selector too.
    Btn_Cource_Click(host);
    Spd_Course_ButtonClicked(host, 3, 1);
    Spd_Course_ButtonClicked(host, 3, 50);  // an empty row: nothing to lose
    EXPECT_EQ(m.Spd_Course.rowCount(), 50);
    Btn_CourceOK_Click(host);
    EXPECT_EQ(fileText("Course.ini"), "");
    EXPECT_TRUE(m.Cmb_Course.items().empty());
}

TEST_F(MasterEditorTest, AFileThatCannotBeWrittenKeepsTheEditorOpenWithEverythingTyped) {
    Btn_Car_Click(host);
    m.Spd_Car.setCell(3, 1, "Gamma");
    // Car.ini replaced by a folder of that name: no rename can go over it, even for root.
    std::filesystem::remove(dir / "Car.ini");
    std::filesystem::create_directory(dir / "Car.ini");
    Btn_CarOK_Click(host);

    ASSERT_EQ(fakes.dialogs.boxes.size(), 1U);
    const auto& box = fakes.dialogs.boxes.back();
    EXPECT_EQ(box.text, "ファイル " + text_file::pathToUtf8(dir / "Car.ini") +
                            " に書き込めません。\n同じ名前のフォルダがあります。別の名前を付けてください。\n"
                            "入力した内容は編集画面に残っています。");
    EXPECT_EQ(box.title, "Rennik1");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_TRUE(m.Frm_Car.visible());
    EXPECT_FALSE(car.Frm_Runner.enabled());
    EXPECT_EQ(m.Spd_Car.cell(1, 1), "Alpha");
    EXPECT_EQ(m.Spd_Car.cell(3, 1), "Gamma");
    EXPECT_EQ(car.Cmb_Car.items().size(), 2U);
    EXPECT_EQ(fakes.focus.moves.back(), "Spd_Car");

    // Once the crew has freed the file, the same press saves.
    std::filesystem::remove(dir / "Car.ini");
    Btn_CarOK_Click(host);
    EXPECT_FALSE(m.Frm_Car.visible());
    EXPECT_EQ(fileText("Car.ini"), "Alpha,Ito,40,12.5\r\nBeta,Sato,30,20\r\nGamma,,0,0\r\n");
}

}  // namespace
}  // namespace rennik
