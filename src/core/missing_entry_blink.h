#pragma once

#include "core/host.h"

// While idle, the entries a run still needs blink olive yellow and white once a second: the
// course, and the car and the driver of every set-up slot, each while it is empty.
namespace rennik {

inline constexpr Rgb kOliveYellow{192, 192, 0};

void Time_NoInputBlk_Timer(Host& host);

}  // namespace rennik
