#pragma once

#include "core/host.h"

// The driver-information pop-up of a car slot: the two-state button opens it, and it closes
// after 30 seconds or as soon as another control of the car panel is used.
namespace rennik {

void Btn_DriverInfo_Click(Host& host, int slot);

// Also what every other control of the car panel does first when used or focused.
void CloseDriverPopup(Host& host, int slot);

void Time_DriverInfo_Timer(Host& host, int slot);

}  // namespace rennik
