#include "drive.h"

#include <QEventLoop>
#include <QThread>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>

namespace rennik::bench {

carsim::CarSummary driveCar(const carsim::CarPlan& plan,
                            std::function<void(carsim::CarEngine&, const carsim::ReplyEvent&)> onReply) {
    QThread thread;
    auto* car = new carsim::CarEngine(plan);
    if (onReply) {
        car->onReply = [car, onReply](const carsim::ReplyEvent& e) { onReply(*car, e); };
    }
    car->moveToThread(&thread);
    QEventLoop loop;
    QObject::connect(car, &carsim::CarEngine::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    thread.start();
    QMetaObject::invokeMethod(car, [car] {
        if (!car->start()) {
            std::fprintf(stderr, "rennik1-bench: %s\n", qPrintable(car->error()));
            emit car->finished();
        }
    });
    loop.exec();
    thread.quit();
    thread.wait();
    // The car's thread has ended: its summary is complete and nobody else touches it.
    carsim::CarSummary summary = car->summary();
    delete car;
    return summary;
}

SpinningProcesses::SpinningProcesses(int count) {
    const pid_t bench = getpid();
    for (int i = 0; i < count; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            // Dies with the bench, however the bench ends; spins on nothing but the CPU.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != bench) {
                _exit(0);
            }
            volatile unsigned long spins = 0;
            for (;;) {
                spins = spins + 1;
            }
        }
        if (child < 0) {
            std::perror("rennik1-bench: fork");
            break;
        }
        children_.push_back(child);
    }
}

SpinningProcesses::~SpinningProcesses() {
    for (const pid_t child : children_) {
        kill(child, SIGKILL);
    }
    for (const pid_t child : children_) {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

BusyUiThread::BusyUiThread(int busyMs, int periodMs) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(periodMs);
    QObject::connect(&timer_, &QTimer::timeout, [busyMs] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyMs);
        while (std::chrono::steady_clock::now() < until) {
        }
    });
    timer_.start();
}

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace rennik::bench
