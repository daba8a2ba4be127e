#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "carlink/wire_format.h"
#include "core/host.h"

// The lap report and the lap record of the host's side of the car link (carlink/wire_format.h
// holds the format itself).
namespace rennik {

// The lap number of a report: its first three characters read leniently and rounded.
std::int32_t ReportLapNumber(std::string_view reportUtf8);

// The car's message of a report: everything after its first three characters.
std::string_view ReportMessage(std::string_view reportUtf8);

// The 59-character lap record of the slot as it stands now: lap number (modulo 1000), last lap,
// the current driver's best and average lap in ms, today's date, the clock and the planned end.
std::string BuildReplyBody(const Host& host, int slot);

}  // namespace rennik
