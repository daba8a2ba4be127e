#pragma once

#include <cstdint>

#include "core/host.h"

// Whether the car is within the host's reach, as the crew is shown it: the lap rule's own
// silence test (carlink/lap_counter), for the contact label of the car panel and the question
// before a lap correction.
namespace rennik {

// The car of a measured slot has reported since the Start and is in reach now. False while the
// slot is not measured and before its first report.
bool CarInReach(const Host& host, int slot);

// The contact label of the car panel: "通信中 2秒前" while the car is in reach, "圏外 45秒前"
// once it has left, with the whole seconds since its last report; empty while the slot is not
// measured and before its first report. The label changes only when its text does.
void ShowCarContact(Host& host, int slot);

}  // namespace rennik
