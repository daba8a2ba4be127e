#pragma once

#include "core/host.h"

// The course master editor and the taking over of the chosen course's length.
namespace rennik {

void Btn_Cource_Click(Host& host);
void Btn_CourceOK_Click(Host& host);
void Btn_CourceCancel_Click(Host& host);
void Spd_Course_ButtonClicked(Host& host, int col, int row);

// Leaving the course selector takes over the length of the entry it stands on.
void Cmb_Course_LostFocus(Host& host);

}  // namespace rennik
