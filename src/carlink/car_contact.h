#pragma once

#include <cstdint>

#include "core/host.h"

// Whether the car is within the host's reach. The car is in reach while its last report is no
// older than the no-communication time; once it is older, the car has left and its next lap has
// begun. The lap display, the report processing, the contact label of the car panel and the
// question before a lap correction all ask this one test.
namespace rennik {

// The car of a slot has been silent for longer than the no-communication time at tick `now`
// (strictly longer: a report exactly that long ago still counts as in reach).
bool SilencePassed(const RaceState& race, int slot, std::int64_t now);

// The car of a measured slot has reported since the Start and is in reach now. False while the
// slot is not measured and before its first report.
bool CarInReach(const Host& host, int slot);

// The contact label of the car panel: "通信中 2秒前" while the car is in reach, "圏外 45秒前"
// once it has left, with the whole seconds since its last report; empty while the slot is not
// measured and before its first report. The label changes only when its text does.
void ShowCarContact(Host& host, int slot);

}  // namespace rennik
