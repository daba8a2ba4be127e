#pragma once

#include <cstdint>

#include "core/race_state.h"

namespace rennik {

// Wall-clock arithmetic on the proleptic Gregorian calendar (leap years included), with no time
// zone: the host reads and plans in local time only.

// The time some minutes later (or earlier, when negative), carried through hours, days, months
// and years as the calendar does.
LocalDateTime AddMinutes(const LocalDateTime& t, std::int64_t minutes);

// Seconds from `from` to `to`; negative when `to` comes first.
std::int64_t SecondsBetween(const LocalDateTime& from, const LocalDateTime& to);

}  // namespace rennik
