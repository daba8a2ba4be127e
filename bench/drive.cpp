#include "drive.h"

#include <QEventLoop>
#include <QThread>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

#ifdef _WIN32
SpinningProcesses::SpinningProcesses(int count) {
    for (int i = 0; i < count; ++i) {
        children_.emplace_back([stop = stop_] {
            volatile unsigned long spins = 0;
            while (!stop->load(std::memory_order_relaxed)) {
                spins = spins + 1;
            }
        });
    }
}

SpinningProcesses::~SpinningProcesses() {
    *stop_ = true;
    for (std::thread& child : children_) {
        child.join();
    }
}
#else
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
#endif

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

#ifdef _WIN32
double processCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(user) + seconds(kernel);
}
#else
double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
#endif

}  // namespace rennik::bench
