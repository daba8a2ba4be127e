#pragma once

#include <chrono>

#include "core/host.h"

namespace rennik {

// A run is on: the caption of Btn_Start reads "Stop" (it reads "Start" while idle). The run state
// is that caption and nothing else.
bool IsRunning(const MainScreen& m);

// Start while the caption reads "Start", Stop (after confirmation) while it reads "Stop".
void Btn_Start_Click(Host& host);

// Measures again a run restored from the run store, its race clock running on from `started`
// (the original Start's moment on the monotonic clock). False, back to idle with the reason said,
// when a car link cannot be opened.
bool ResumeRun(Host& host, int msPerTick, std::chrono::steady_clock::time_point started);

// Everything Stop does once it is confirmed: the race clock stops, every car link closes, the
// screen goes idle, and the run is recorded as ended with its result file.
void EndRun(Host& host);

// Abort of one car's measurement, after confirmation; the last car aborted stops the run.
void Btn_RunStop_Click(Host& host, int slot);

}  // namespace rennik
