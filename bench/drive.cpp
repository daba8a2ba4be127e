#include "drive.h"

#include <QEventLoop>
#include <QThread>

#include <sys/resource.h>

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

BusyCore::BusyCore()
    : spinner_([this] {
          volatile unsigned long spins = 0;
          while (!stop_.load(std::memory_order_relaxed)) {
              spins = spins + 1;
          }
      }) {}

BusyCore::~BusyCore() {
    stop_ = true;
    spinner_.join();
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
