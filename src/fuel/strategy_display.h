#pragma once

#include "core/host.h"

namespace rennik {

// Shows the fuel strategy of a slot from its fuel account: laps on the fuel left, with a
// planned end whether the car gets there on it or how many litres it lacks, and the lap by whose
// end it must refuel. Only a hint while course, consumption or tank is unknown.
void ShowFuelStrategy(Host& host, int slot);

}  // namespace rennik
