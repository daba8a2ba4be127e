#pragma once

#include "core/host.h"

// The run store as the handlers use it. The store lives in the data folder; a run is recorded
// from its Start to its Stop, and every change is committed before the reply to the car goes
// out, so that what the car has been told is never lost.
namespace rennik {

// The store's file in the data folder.
inline constexpr const char* kRunStoreFile = "Rennik1.db";

// Opens the run store as the main screen opens. A store that could not be read is kept aside
// under another name and said once; one that cannot be written is said by KeepRunStore.
void OpenRunStore(Host& host);

// A run has begun: it is recorded from here on.
void RecordRunStart(Host& host);

// Commits what the last event changed. The lap display's tick never calls this.
void RecordRun(Host& host);

// The run has stopped: its end is recorded and its result file written into the results folder.
void RecordRunStop(Host& host);

// Once a second: while the store cannot be written, the crew is told once that laps are no
// longer being saved, and the store is tried again; the first write that works writes
// everything missed.
void KeepRunStore(Host& host);

}  // namespace rennik
