#pragma once

#include <string>

#include "core/host.h"

namespace rennik {

// One LapReport from the car of a slot, as the datagram's bytes (Shift-JIS): shows the car's
// text, composes the pit message, and either answers a repeat with the last lap record or
// records a new lap, recomputes the figures and answers with the new record.
void OnLapReport(Host& host, int slot, const std::string& datagram);

}  // namespace rennik
