#pragma once

#include "core/host.h"

// What the controls of a car panel do first when they are used or get the focus: each closes
// the slot's driver-information pop-up, so it never covers the control the crew is working.
namespace rennik {

void Txt_InGasl_GotFocus(Host& host, int slot);
void Txt_Nenpi_GotFocus(Host& host, int slot);
void Txt_OutMess_GotFocus(Host& host, int slot);
void Txt_ZanRunCnt_GotFocus(Host& host, int slot);
void Chk_ChgCnter_GotFocus(Host& host, int slot);
void Cmb_Car_GotFocus(Host& host, int slot);
void Cmb_Driver_GotFocus(Host& host, int slot);
void Spd_LapTime_GotFocus(Host& host, int slot);

}  // namespace rennik
