#pragma once

#include "core/host.h"

// The car master editor, the car choice of a slot and the slot's clear button.
namespace rennik {

void Btn_Car_Click(Host& host);
void Btn_CarOK_Click(Host& host);
void Btn_CarCancel_Click(Host& host);
void Spd_Car_ButtonClicked(Host& host, int col, int row);

// A car chosen in the slot's selector: its tank capacity and consumption become the slot's.
void Cmb_Car_Click(Host& host, int slot);
// Leaving the selector ends a missing-entry blink that was showing when the crew typed.
void Cmb_Car_LostFocus(Host& host, int slot);

// Clears the slot after a confirmation: green frame, its selectors and lap controls disabled,
// its lap summary, driver information and lap table hidden. No figure or file changes.
void Btn_ClsCar_Click(Host& host, int slot);

}  // namespace rennik
