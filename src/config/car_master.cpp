#include "config/car_master.h"

#include <string>

#include "base/numbers.h"
#include "config/master_editor.h"
#include "config/master_writer.h"
#include "drivers/driver_popup.h"

namespace rennik {

void Btn_Car_Click(Host& host) { OpenMaster(host, CarEditor(host)); }
void Btn_CarOK_Click(Host& host) { SaveMaster(host, CarEditor(host)); }
void Btn_CarCancel_Click(Host& host) { CancelMaster(host, CarEditor(host)); }
void Spd_Car_ButtonClicked(Host& host, int col, int row) { DeleteMasterRow(CarEditor(host), col, row); }

void Cmb_Car_Click(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    RaceState& race = host.race;
    const int index = car.Cmb_Car.listIndex();
    if (index < 0 || index >= static_cast<int>(car.Cmb_Car.items().size())) {
        return;
    }
    const std::string& entry = car.Cmb_Car.items()[static_cast<std::size_t>(index)];
    // The tank label shows the entry's figure as it stands; the race figures take the numbers it
    // begins with, as the master file's figures are read (an empty column is 0).
    const std::string tank = ComboBox::column(entry, 1);
    car.Lbl_Tank.setCaption(tank);
    race.TankCapacity[slot] = master::storedSingle(tank);
    const float kmPerLitre = master::storedSingle(ComboBox::column(entry, 2));
    car.Txt_Nenpi.setText(numbers::singleText(kmPerLitre));
    race.MetresPerLitre[slot] = kmPerLitre * 1000.0F;
    car.Cmb_Car.setBackColor(colours::White);
}

void Cmb_Car_LostFocus(Host& host, int slot) { host.main.panel(slot).Cmb_Car.setBackColor(colours::White); }

void Btn_ClsCar_Click(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    const Answer answer = host.ports.dialogs.messageBox(
        {car.Frm_Runner.caption() + "の設定内容を消去します。\rよろしいですか？", "消去確認",
         MsgIcon::Critical, MsgButtons::YesNo, Answer::No});
    host.race.MsgAnswer = static_cast<std::int16_t>(answer);
    if (answer != Answer::Yes) {
        return;
    }
    // Green marks a slot that is not set up; the address set-up opens it again.
    car.Frm_Runner.setBackColor(colours::Green);
    car.openSetUpControls(false);
    CloseDriverPopup(host, slot);
}

}  // namespace rennik
