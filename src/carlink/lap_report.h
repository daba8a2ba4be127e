#pragma once

#include <cstdint>
#include <string_view>

#include "core/host.h"

namespace rennik {

// A datagram on a slot's car link: its bytes (Shift-JIS), the address it came from and the race
// clock's count at the moment it arrived.
// The views are valid for the call that receives them.
struct IncomingReport {
    std::string_view bytes;
    std::string_view fromHost;
    std::int32_t arrivedTick = 0;
};

// One LapReport from the car of a slot: shows the car's text, composes the pit message, and
// either answers with the current lap record or, when the silence has opened a lap (or after
// a hand correction), closes that lap at the report's arrival, recomputes the figures and
// answers with the new record. Datagrams from any other address than the car PC's are dropped
// and counted; reports longer than the longest report are cut to it and counted.
void OnLapReport(Host& host, int slot, const IncomingReport& report);

// A new run counts the foreign datagrams and the cut reports from 0 again.
void ResetForeignCount(Host& host, int slot);

}  // namespace rennik
