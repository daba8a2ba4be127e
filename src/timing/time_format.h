#pragma once

#include <cstdint>
#include <string>

#include "config/app_settings.h"

namespace rennik {

// Lap-time text: minutes, an apostrophe, two-digit seconds, a double quote and the fraction in
// the digits of the precision: 83456 ticks at 1/1000 read 1'23"456, 8345 at 1/100 read 1'23"45.
// Minutes never wrap into hours. A negative count (never produced by the clock) keeps its sign
// in front of the text of its size instead of scattering minus signs through the fields.
std::string LapTimeText(std::int32_t ticks, const AppSettings& settings);

// H:MM:SS text of whole seconds: 3725 reads 1:02:05; hours grow past 24 (90000 reads 25:00:00).
std::string HmsText(std::int32_t seconds);

// H:MM:SS text of the whole seconds in a count of ticks at the settings' precision: a driving
// time. Counts beyond what HmsText takes read as its largest.
std::string DrivingTimeText(std::int64_t ticks, const AppSettings& settings);

// Two digits of a clock field (0 to 99): 5 reads 05.
std::string TwoDigits(int n);

}  // namespace rennik
