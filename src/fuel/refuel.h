#pragma once

#include "core/host.h"

// Refuelling and the two fuel boxes of a car slot.
namespace rennik {

// Adds the amount typed into Txt_InGasl to the total refuelled and recomputes the meter; every
// refusal (no course, no consumption, no amount) is a beep.
void Btn_Kyuyu_Click(Host& host, int slot);

// The checks when the boxes are left: a refuel amount that is not a number is cleared; a
// consumption that is not a number becomes "0", and the consumption is taken over always.
void Txt_InGasl_LostFocus(Host& host, int slot);
void Txt_Nenpi_LostFocus(Host& host, int slot);

}  // namespace rennik
