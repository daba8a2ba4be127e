#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "carsim/car_engine.h"

namespace rennik::bench {

// Drives a simulated car on a thread of its own while this thread's event loop serves the
// host, as two machines would run side by side. `onReply` runs on the car's thread and may
// stop the car. Returns the car's summary once it has finished.
carsim::CarSummary driveCar(const carsim::CarPlan& plan,
                            std::function<void(carsim::CarEngine&, const carsim::ReplyEvent&)> onReply = {});

// Keeps one core busy with a spinning thread for as long as it lives.
class BusyCore {
public:
    BusyCore();
    ~BusyCore();
    BusyCore(const BusyCore&) = delete;
    BusyCore& operator=(const BusyCore&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread spinner_;
};

// CPU time (user + system) of this whole process so far, in seconds.
double processCpuSeconds();

}  // namespace rennik::bench
