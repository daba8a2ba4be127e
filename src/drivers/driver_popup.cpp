#include "drivers/driver_popup.h"

namespace rennik {

void Btn_DriverInfo_Click(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    const bool down = !car.Btn_DriverInfo.down();
    car.Btn_DriverInfo.setDown(down);
    car.Frm_DriverLap.setVisible(down);
    car.Time_DriverInfo.setEnabled(down);
}

void CloseDriverPopup(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    car.Time_DriverInfo.setEnabled(false);
    car.Frm_DriverLap.setVisible(false);
    car.Btn_DriverInfo.setDown(false);
}

void Time_DriverInfo_Timer(Host& host, int slot) { CloseDriverPopup(host, slot); }

}  // namespace rennik
