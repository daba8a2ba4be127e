#pragma once

#include "core/host.h"

// The fuel left of a car: meter, label and the low-fuel blink below 20 %.
namespace rennik {

inline constexpr float kLowFuelPercent = 20.0F;

// Recomputes the fuel left from the total refuelled, the laps counted, the course length and
// the consumption, and shows it. Does nothing while course, consumption or tank is unknown.
void UpdateFuelMeter(Host& host, int slot);

// Low-fuel blink: the meter's colour turns red and yellow in turn, and the fuel-left figure
// turns white on red whenever the meter is red.
void Time_GasBlk_Timer(Host& host, int slot);

}  // namespace rennik
