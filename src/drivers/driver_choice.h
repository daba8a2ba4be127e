#pragma once

#include "core/host.h"

// The driver at the wheel, chosen in the slot's driver selector.
namespace rennik {

// Disarms the reminder counter and finds (the last matching) or adds the driver's row in the
// driver table; his figures follow from the next lap on.
void Cmb_Driver_Click(Host& host, int slot);
void Cmb_Driver_LostFocus(Host& host, int slot);

}  // namespace rennik
