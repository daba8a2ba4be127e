#include "drivers/driver_choice.h"

#include "messages/pit_messages.h"

namespace rennik {
namespace {

// A new stint: the reminder counter waits for the crew to arm it again.
void disarmReminder(Host& host, int slot) {
    host.main.panel(slot).Chk_ChgCnter.setValue(0);
    Chk_ChgCnter_Click(host, slot);
}

// The name in the driver table's row of the driver now counted, empty for none.
std::string countedDriver(const CarPanel& car, std::int32_t row) {
    const Grid& drivers = car.Spd_DriverInfo;
    return row >= 1 && row <= drivers.rowCount() ? drivers.cell(row, DriverColumn::Name) : std::string();
}

}  // namespace

void Cmb_Driver_Click(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    RaceState& race = host.race;
    disarmReminder(host, slot);

    // The driver's row in the driver table; with duplicate names the last one is his.
    Grid& drivers = car.Spd_DriverInfo;
    race.DrvRow = 0;
    for (int row = 1; row <= drivers.rowCount(); ++row) {
        if (drivers.cell(row, DriverColumn::Name) == car.Cmb_Driver.text()) {
            race.DrvRow = row;
        }
    }
    if (race.DrvRow == 0) {
        drivers.setRowCount(drivers.rowCount() + 1);
        race.DrvRow = drivers.rowCount();
        drivers.setCell(race.DrvRow, DriverColumn::Name, car.Cmb_Driver.text());
    }
    car.Cmb_Driver.setBackColor(colours::White);
}

void Cmb_Driver_LostFocus(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    car.Cmb_Driver.setBackColor(colours::White);
    // A name typed into the box rather than chosen from the list is a driver change all the
    // same: every lap from now on carries it, so the driver table must count it under its own
    // row, not under the driver chosen before. An emptied box counts for nobody.
    const std::string& typed = car.Cmb_Driver.text();
    if (typed == countedDriver(car, host.race.DrvRow)) {
        return;
    }
    if (typed.empty()) {
        disarmReminder(host, slot);
        host.race.DrvRow = 0;
        return;
    }
    Cmb_Driver_Click(host, slot);
}

}  // namespace rennik
