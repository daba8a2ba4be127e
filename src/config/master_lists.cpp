#include "config/master_lists.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/numbers.h"
#include "base/text_file.h"
#include "config/master_records.h"
#include "core/host.h"

namespace rennik {
namespace {

constexpr int kEditorRows = 50;

// The bytes of a master file. A file that does not exist is created empty first; if that
// fails (a read-only folder) the lists simply come up empty. Anything else that cannot be read
// (a folder of that name, no access) is left alone, never replaced, and reads as empty.
std::string readMaster(const std::filesystem::path& path) {
    if (path.empty()) {
        return {};
    }
    std::error_code ec;
    if (std::filesystem::status(path, ec).type() == std::filesystem::file_type::not_found) {
        text_file::writeBytesAtomic(path, {});
    }
    return text_file::readBytes(path).value_or(std::string());
}

// Empties the grid and gives it its editor rows, or one row per record beyond them.
void resetGrid(Grid& grid, std::size_t records) {
    grid.setRowCount(0);
    grid.setRowCount(std::max(kEditorRows, static_cast<int>(records)));
}

// Fills the given selector of every car panel with the entries, when the list is not for the
// master grid only.
void fillSelectors(Host& host, ComboBox CarPanel::*selector, const std::vector<std::string>& entries,
                   bool gridOnly) {
    if (gridOnly) {
        return;
    }
    for (CarPanel& car : host.main.panels()) {
        (car.*selector).clearItems();
        for (const std::string& entry : entries) {
            (car.*selector).addItem(entry);
        }
    }
}

}  // namespace

void LoadCarList(Host& host, bool gridOnly) {
    std::vector<std::string> entries;
    const auto cars = master::parseCars(readMaster(host.race.CarFilePath));
    Grid& grid = host.main.Spd_Car;
    resetGrid(grid, cars.size());
    int row = 1;
    for (const auto& rec : cars) {
        const std::string tank = numbers::singleText(rec.TankLitres);
        const std::string kmPerLitre = numbers::singleText(rec.KmPerLitre);
        grid.setCell(row, 1, rec.CarName);
        grid.setCell(row, 2, rec.OwnerName);
        grid.setCell(row, 3, tank);
        grid.setCell(row, 4, kmPerLitre);
        ++row;
        entries.push_back(rec.CarName + "\t" + tank + "\t" + kmPerLitre);
    }
    grid.setActiveCell(1, 1);
    fillSelectors(host, &CarPanel::Cmb_Car, entries, gridOnly);
}

void LoadCourseList(Host& host, bool gridOnly) {
    ComboBox& selector = host.main.Cmb_Course;
    if (!gridOnly) {
        selector.clearItems();
    }
    const auto courses = master::parseCourses(readMaster(host.race.CourseFilePath));
    Grid& grid = host.main.Spd_Course;
    resetGrid(grid, courses.size());
    int row = 1;
    for (const auto& rec : courses) {
        const std::string metres = std::to_string(rec.CourseMetres);
        grid.setCell(row, 1, rec.CourseName);
        grid.setCell(row, 2, metres);
        ++row;
        if (!gridOnly) {
            selector.addItem(rec.CourseName + "(" + metres + "m)\t" + metres);
        }
    }
    grid.setActiveCell(1, 1);
}

void LoadDriverList(Host& host, bool gridOnly) {
    const auto names = master::parseDrivers(readMaster(host.race.DriverFilePath));
    Grid& grid = host.main.Spd_Drivers;
    resetGrid(grid, names.size());
    int row = 1;
    for (const auto& name : names) {
        grid.setCell(row++, 1, name);
    }
    grid.setActiveCell(1, 1);
    fillSelectors(host, &CarPanel::Cmb_Driver, names, gridOnly);
}

}  // namespace rennik
