#pragma once

#include "core/host.h"

// The driver master editor.
namespace rennik {

void Btn_Drivers_Click(Host& host);
void Btn_DrvOk_Click(Host& host);
void Btn_DrvCancel_Click(Host& host);
void Spd_Drivers_ButtonClicked(Host& host, int col, int row);

}  // namespace rennik
