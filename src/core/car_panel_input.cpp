#include "core/car_panel_input.h"

#include "drivers/driver_popup.h"

namespace rennik {

void Txt_InGasl_GotFocus(Host& host, int slot) { CloseDriverPopup(host, slot); }
void Txt_Nenpi_GotFocus(Host& host, int slot) { CloseDriverPopup(host, slot); }
void Txt_OutMess_GotFocus(Host& host, int slot) { CloseDriverPopup(host, slot); }
void Txt_ZanRunCnt_GotFocus(Host& host, int slot) { CloseDriverPopup(host, slot); }
void Chk_ChgCnter_GotFocus(Host& host, int slot) { CloseDriverPopup(host, slot); }
void Cmb_Car_GotFocus(Host& host, int slot) { CloseDriverPopup(host, slot); }
void Cmb_Driver_GotFocus(Host& host, int slot) { CloseDriverPopup(host, slot); }
void Spd_LapTime_GotFocus(Host& host, int slot) { CloseDriverPopup(host, slot); }

}  // namespace rennik
