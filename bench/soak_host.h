#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "core/host.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"
#include "soak_clock.h"
#include "ui/main_window.h"
#include "ui/qt_ports.h"

class QTableWidget;

namespace rennik::bench {

// The bench's application: QApplication, which can also time the paint events of one widget
// and of every widget inside it (a table's cells, its headers), as the event loop delivers them.
class BenchApplication : public QApplication {
public:
    using QApplication::QApplication;

    void timePaints(QWidget* widget, std::function<void(std::chrono::nanoseconds)> onPaint);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    QPointer<QWidget> painted_;
    std::function<void(std::chrono::nanoseconds)> onPaint_;
};

// What the soak hears of the datagrams on one port of the host: each one just before its
// handler runs (with its arrival), every datagram the host sends from that port, the end of the
// handler, and the time of the screen's redraw that follows a batch of them.
struct SocketProbe {
    int port = 0;
    std::function<void(std::chrono::steady_clock::time_point arrived)> read;
    std::function<void()> sent;
    std::function<void()> handled;
    std::function<void(std::chrono::nanoseconds)> redrawn;
};

// The program's sockets (ui::QtSocketFactory: kernel arrival stamps, reads in shares, the redraw
// after each batch), each seen through the probe on its way in and out. Nothing is changed on
// the way.
class ProbedSockets : public SocketFactory {
public:
    std::unique_ptr<UdpEndpoint> create() override;
    // The screen's redraw after each batch of datagrams, timed for the probe.
    void setRedraw(std::function<void()> redraw);

    ui::QtSocketFactory& program() { return program_; }
    SocketProbe probe;

private:
    ui::QtSocketFactory program_;
};

// The pit host as the program builds it (the main window, the real wall clock, UDP sockets, run
// store and event loop, in a fresh data folder whose Rennik.ini sets 1/1000 and one second of
// silence before a lap is added), with the race clock running `speed` times as fast. The boxes
// are scripted: each answered with its default button unless the bench queued another answer.
class SoakHost {
public:
    explicit SoakHost(double speed);

    void enterAddress(const std::string& address);
    void start();
    // Btn_Start while running, the confirmation answered Yes.
    void stop();
    // "ファイル書込" saved to `path`.
    void save(const std::string& path);
    QTableWidget* lapTable();

    test::TempFolder dir;
    test::FakeDialogs dialogs;
    ui::QtWallClock clock;
    FastRaceClock ticks;
    ProbedSockets sockets;
    ui::QtFocus focus;
    test::FakeApplication app;
    Host host;
    ui::MainWindow window;
};

}  // namespace rennik::bench
