#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "carsim/car_engine.h"
#include "core/host.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"
#include "timing/tick_clock.h"
#include "ui/main_window.h"
#include "ui/qt_ports.h"

namespace rennik::e2e {

// The pit host built as the program builds it: the main window, the real wall clock, race
// clock, UDP sockets and event loop. Only the boxes are scripted (each answered with its default
// button unless the caller queued another answer), and the program's folder is a fresh temporary
// one whose Rennik.ini sets the no-communication time to `noInputSeconds`. Needs a QApplication.
class HostRig {
public:
    explicit HostRig(int noInputSeconds = 1);
    // The same host in `folder` (it must exist) instead of a fresh one: its Rennik.ini is written
    // as above, and everything else there (the run store, the master files) is kept, so that a
    // host started again in the folder finds what the one before left. `dir` stays an empty
    // temporary folder.
    explicit HostRig(const std::filesystem::path& folder, int noInputSeconds = 1);

    // The slot-0 car PC address, typed into the address setup's input box.
    void enterAddress(const std::string& address);
    // Btn_Start while idle.
    void start();
    // Btn_Start while running, the confirmation answered Yes.
    void stop();
    // The host's time of a lap in ticks (ms at 1/1000): the hidden ticks column of its row.
    int lapTicks(int row) const;

    test::TempFolder dir;
    // The host's data folder: `dir` unless another was given.
    std::filesystem::path folder;
    test::FakeDialogs dialogs;
    ui::QtWallClock clock;
    MonotonicTicks ticks;
    ui::QtSocketFactory sockets;
    ui::QtFocus focus;
    test::FakeApplication app;
    Host host;
    ui::MainWindow window;
};

// A car on 127.0.0.1 that reports every 0.05 s during 0.3 s of contact in each lap.
carsim::CarPlan loopbackCar(double lapSeconds, int laps);

double msBetween(carsim::Clock::time_point from, carsim::Clock::time_point to);

}  // namespace rennik::e2e
