#pragma once

#include <filesystem>
#include <memory>

#include "carlink/lap_rows.h"
#include "core/main_screen.h"
#include "core/ports.h"
#include "core/race_state.h"
#include "store/run_recorder.h"

namespace rennik {

// Everything a handler works on: the race state, the two screens, the platform ports and the
// sockets. One object, owned by the program for its whole life and passed by reference.
struct Host {
    Host(Ports p, std::filesystem::path appDirectory) : ports(p), appDir(std::move(appDirectory)) {}

    Ports ports;
    // The folder of the program's files: the executable's folder unless another was named.
    std::filesystem::path appDir;

    RaceState race;
    StartupScreen open;
    MainScreen main;

    // Ticks since the last Start, frozen after Stop.
    std::int32_t TickCount() const { return ports.ticks.count(); }

    // The address-check socket; empty while it is not bound.
    std::unique_ptr<UdpEndpoint> chker;
    // The car link socket of each slot; empty while the slot is not measured.
    PerCar<std::unique_ptr<UdpEndpoint>> Winsock;

    // What the lap summary has read of each slot's lap table.
    PerCar<LapRowCache> lapRows;

    // The run store; empty until the main screen opens, and for good when the program keeps no
    // runs (a picture of the main screen taken with nobody there to answer a box).
    bool keepsRuns = true;
    std::unique_ptr<store::RunRecorder> recorder;
};

}  // namespace rennik
