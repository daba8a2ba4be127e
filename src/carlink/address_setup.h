#pragma once

#include "core/host.h"

namespace rennik {

// The car PC's address of a slot, asked in an input box: a valid address registers the slot
// for the next run and opens its panel; Cancel (an empty answer) removes it.
void Btn_ClientNoSet_Click(Host& host, int slot);
void Btn_ClientNoSet2_Click(Host& host, int slot);

}  // namespace rennik
