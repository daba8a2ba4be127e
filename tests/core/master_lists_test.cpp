#include "config/master_lists.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/host.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"

namespace rennik {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A host whose master files lie in a fresh folder of its own.
class MasterListsTest : public ::testing::Test {
protected:
    MasterListsTest() {
        host_.race.CarFilePath = dir_ / "Car.ini";
        host_.race.CourseFilePath = dir_ / "Course.ini";
        host_.race.DriverFilePath = dir_ / "Drivers.ini";
    }

    static std::vector<std::string> column(const Grid& grid, int col, int rows) {
        std::vector<std::string> cells;
        for (int r = 1; r <= rows; ++r) {
            cells.push_back(grid.cell(r, col));
        }
        return cells;
    }

    test::FakePorts fakes_;
    test::TempFolder dir_;
    Host host_{fakes_.ports(), dir_.path()};
};

TEST_F(MasterListsTest, CarsFillGridAndSelectorInFileOrder) {
    ASSERT_TRUE(dir_.writeText("Car.ini", "赤号,山田,40,12.5\r\n青号,佐藤,35.5,9\r\n白号,,0,0\r\n"));
    host_.main.car.Cmb_Car.addItem("stale");
    host_.main.Spd_Car.setRowCount(3);
    host_.main.Spd_Car.setCell(3, 2, "stale");
    LoadCarList(host_, false);

    const Grid& grid = host_.main.Spd_Car;
    EXPECT_EQ(grid.rowCount(), 50);
    EXPECT_EQ(column(grid, 1, 4), (std::vector<std::string>{"赤号", "青号", "白号", ""}));
    EXPECT_EQ(column(grid, 2, 3), (std::vector<std::string>{"山田", "佐藤", ""}));
    EXPECT_EQ(column(grid, 3, 3), (std::vector<std::string>{"40", "35.5", "0"}));
    EXPECT_EQ(column(grid, 4, 3), (std::vector<std::string>{"12.5", "9", "0"}));
    EXPECT_EQ(grid.activeRow(), 1);
    EXPECT_EQ(grid.activeCol(), 1);
    EXPECT_EQ(host_.main.car.Cmb_Car.items(),
              (std::vector<std::string>{"赤号\t40\t12.5", "青号\t35.5\t9", "白号\t0\t0"}));
}

TEST_F(MasterListsTest, CourseEntryShowsLengthInNameAndSecondColumn) {
    ASSERT_TRUE(dir_.writeText("Course.ini", "Oval,1200\r\n\"East, long\",3500\r\n"));
    LoadCourseList(host_, false);
    EXPECT_EQ(host_.main.Cmb_Course.items(),
              (std::vector<std::string>{"Oval(1200m)\t1200", "East, long(3500m)\t3500"}));
    EXPECT_EQ(host_.main.Spd_Course.cell(1, 1), "Oval");
    EXPECT_EQ(host_.main.Spd_Course.cell(1, 2), "1200");
    EXPECT_EQ(host_.main.Spd_Course.cell(2, 1), "East, long");
    EXPECT_EQ(host_.main.Spd_Course.rowCount(), 50);
}

TEST_F(MasterListsTest, MissingFilesAreCreatedEmptyAndListsComeUpEmpty) {
    LoadDriverList(host_, false);
    LoadCourseList(host_, false);
    LoadCarList(host_, false);
    for (const auto& path : {host_.race.DriverFilePath, host_.race.CourseFilePath, host_.race.CarFilePath}) {
        ASSERT_TRUE(fs::is_regular_file(path)) << path;
        EXPECT_EQ(fs::file_size(path), 0U);
    }
    EXPECT_TRUE(host_.main.car.Cmb_Driver.items().empty());
    EXPECT_TRUE(host_.main.car.Cmb_Car.items().empty());
    EXPECT_TRUE(host_.main.Cmb_Course.items().empty());
    EXPECT_EQ(host_.main.Spd_Drivers.rowCount(), 50);
    EXPECT_EQ(host_.main.Spd_Drivers.cell(1, 1), "");
}

TEST_F(MasterListsTest, UncreatableOrUnreadableFileGivesEmptyListsQuietly) {
    fs::create_directory(host_.race.CarFilePath);  // a folder named Car.ini
    LoadCarList(host_, false);
    EXPECT_TRUE(fs::is_directory(host_.race.CarFilePath));
    EXPECT_TRUE(host_.main.car.Cmb_Car.items().empty());
    EXPECT_EQ(host_.main.Spd_Car.rowCount(), 50);

    host_.race.CourseFilePath = dir_ / "gone" / "Course.ini";  // cannot be created
    host_.main.Cmb_Course.addItem("stale");
    LoadCourseList(host_, false);
    EXPECT_TRUE(host_.main.Cmb_Course.items().empty());
    EXPECT_EQ(host_.main.Spd_Course.rowCount(), 50);
    EXPECT_TRUE(fakes_.dialogs.boxes.empty());
}

TEST_F(MasterListsTest, GridOnlyReloadsNeverTouchTheSelectors) {
    ASSERT_TRUE(dir_.writeText("Drivers.ini", "鈴木\r\n田中\r\n"));
    LoadDriverList(host_, false);
    for (int i = 0; i < 3; ++i) {
        LoadDriverList(host_, true);
    }
    EXPECT_EQ(host_.main.car.Cmb_Driver.items(), (std::vector<std::string>{"鈴木", "田中"}));
    EXPECT_EQ(column(host_.main.Spd_Drivers, 1, 3), (std::vector<std::string>{"鈴木", "田中", ""}));

    // The file changes behind the selector: the grid follows at once, the selector on a full reload.
    ASSERT_TRUE(dir_.writeText("Drivers.ini", "佐藤\r\n"));
    LoadDriverList(host_, true);
    EXPECT_EQ(host_.main.Spd_Drivers.cell(1, 1), "佐藤");
    EXPECT_EQ(host_.main.Spd_Drivers.cell(2, 1), "");
    EXPECT_EQ(host_.main.car.Cmb_Driver.items().size(), 2U);
    LoadDriverList(host_, false);
    LoadDriverList(host_, false);
    EXPECT_EQ(host_.main.car.Cmb_Driver.items(), (std::vector<std::string>{"佐藤"}));
}

TEST_F(MasterListsTest, MoreThanFiftyRecordsAllGetARow) {
    std::string file;
    for (int i = 1; i <= 57; ++i) {
        file += "Car" + std::to_string(i) + ",o," + std::to_string(i) + ",1\r\n";
    }
    ASSERT_TRUE(dir_.writeText("Car.ini", file));
    LoadCarList(host_, false);
    EXPECT_EQ(host_.main.Spd_Car.rowCount(), 57);
    EXPECT_EQ(host_.main.Spd_Car.cell(50, 1), "Car50");
    EXPECT_EQ(host_.main.Spd_Car.cell(57, 1), "Car57");
    EXPECT_EQ(host_.main.Spd_Car.cell(57, 3), "57");
    ASSERT_EQ(host_.main.car.Cmb_Car.items().size(), 57U);
    EXPECT_EQ(host_.main.car.Cmb_Car.items().back(), "Car57\t57\t1");

    // Back to a short file: the grid returns to its 50 rows.
    ASSERT_TRUE(dir_.writeText("Car.ini", "Only,o,1,1\r\n"));
    LoadCarList(host_, true);
    EXPECT_EQ(host_.main.Spd_Car.rowCount(), 50);
    EXPECT_EQ(host_.main.Spd_Car.cell(2, 1), "");
}

TEST_F(MasterListsTest, UnreadableLinesLeaveNoGapInGridOrSelector) {
    const std::string cars =
        "Good1,a,40,12.5\r\nBad,a,forty,1\r\n" + "\x00\x07\xFF,a,1,1\r\n"s + "Good2,b,30,10\r\n";
    ASSERT_TRUE(dir_.writeBytes("Car.ini", cars));
    LoadCarList(host_, false);
    EXPECT_EQ(host_.main.car.Cmb_Car.items(), (std::vector<std::string>{"Good1\t40\t12.5", "Good2\t30\t10"}));
    EXPECT_EQ(column(host_.main.Spd_Car, 1, 3), (std::vector<std::string>{"Good1", "Good2", ""}));
}

}  // namespace
}  // namespace rennik
