#include "config/driver_master.h"

#include "config/master_editor.h"

namespace rennik {

void Btn_Drivers_Click(Host& host) { OpenMaster(host, DriverEditor(host)); }
void Btn_DrvOk_Click(Host& host) { SaveMaster(host, DriverEditor(host)); }
void Btn_DrvCancel_Click(Host& host) { CancelMaster(host, DriverEditor(host)); }
void Spd_Drivers_ButtonClicked(Host& host, int col, int row) {
    DeleteMasterRow(DriverEditor(host), col, row);
}

}  // namespace rennik
