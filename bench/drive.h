#pragma once

#include <QTimer>

#ifdef _WIN32
#include <atomic>
#include <thread>
#else
#include <sys/types.h>
#endif

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "carsim/car_engine.h"

namespace rennik::bench {

// Drives a simulated car on a thread of its own while this thread's event loop serves the
// host, as two machines would run side by side. `onReply` runs on the car's thread and may
// stop the car. Returns the car's summary once it has finished.
carsim::CarSummary driveCar(const carsim::CarPlan& plan,
                            std::function<void(carsim::CarEngine&, const carsim::ReplyEvent&)> onReply = {});

// Keeps `count` cores busy with spinning processes of their own, at normal priority, as other
// programs on the pit PC would, for as long as it lives; they are killed and reaped when it
// goes, and die with the bench should it end without that. On Windows they are threads of the
// bench at normal priority, which the scheduler treats alike.
class SpinningProcesses {
public:
    explicit SpinningProcesses(int count);
    ~SpinningProcesses();
    SpinningProcesses(const SpinningProcesses&) = delete;
    SpinningProcesses& operator=(const SpinningProcesses&) = delete;

    std::size_t running() const { return children_.size(); }

private:
#ifdef _WIN32
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
    std::vector<std::thread> children_;
#else
    std::vector<pid_t> children_;
#endif
};

// Keeps the calling thread (the host's user-interface thread) busy for `busyMs` out of every
// `periodMs`, as a heavy redraw would, for as long as it lives.
class BusyUiThread {
public:
    BusyUiThread(int busyMs, int periodMs);

private:
    QTimer timer_;
};

// CPU time (user + system) of this whole process so far, in seconds.
double processCpuSeconds();

}  // namespace rennik::bench
