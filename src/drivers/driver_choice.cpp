#include "drivers/driver_choice.h"

#include "messages/pit_messages.h"

namespace rennik {

void Cmb_Driver_Click(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    RaceState& race = host.race;
    // A new stint: the reminder counter waits for the crew to arm it again.
    car.Chk_ChgCnter.setValue(0);
    Chk_ChgCnter_Click(host, slot);

    // The driver's row in the driver table; with duplicate names the last one is his.
    Grid& drivers = car.Spd_DriverInfo;
    race.DrvRow = 0;
    for (int row = 1; row <= drivers.rowCount(); ++row) {
        if (drivers.cell(row, 1) == car.Cmb_Driver.text()) {
            race.DrvRow = row;
        }
    }
    if (race.DrvRow == 0) {
        drivers.setRowCount(drivers.rowCount() + 1);
        race.DrvRow = drivers.rowCount();
        drivers.setCell(race.DrvRow, 1, car.Cmb_Driver.text());
    }
    car.Cmb_Driver.setBackColor(colours::White);
}

void Cmb_Driver_LostFocus(Host& host, int slot) {
    host.main.panel(slot).Cmb_Driver.setBackColor(colours::White);
}

}  // namespace rennik
