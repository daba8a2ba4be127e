#pragma once

#include "core/host.h"

namespace rennik {

// A run is on: the caption of Btn_Start reads "Stop" (it reads "Start" while idle). The run state
// is that caption and nothing else.
bool IsRunning(const MainScreen& m);

// Start while the caption reads "Start", Stop (after confirmation) while it reads "Stop".
void Btn_Start_Click(Host& host);

// Abort of one car's measurement, after confirmation; the last car aborted stops the run.
void Btn_RunStop_Click(Host& host, int slot);

}  // namespace rennik
