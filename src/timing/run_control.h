#pragma once

#include "core/host.h"

namespace rennik {

// Start while the caption reads "Start", Stop (after confirmation) while it reads "Stop".
void Btn_Start_Click(Host& host);

// Abort of one car's measurement, after confirmation; the last car aborted stops the run.
void Btn_RunStop_Click(Host& host, int slot);

}  // namespace rennik
