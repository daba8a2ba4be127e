#pragma once

#include <QString>

#include <filesystem>
#include <memory>

#include "core/host.h"
#include "timing/tick_clock.h"
#include "ui/binder.h"
#include "ui/qt_ports.h"

class QWidget;

namespace rennik::ui {

class MainWindow;

// The composition of the running program: the Qt ports, the host state and the two screens.
// It shows the start-up screen, and after its three seconds the main screen.
class Program {
public:
    // The dialogs and sockets are Qt's unless a test hands in its own.
    explicit Program(std::filesystem::path appDirectory, Dialogs* dialogs = nullptr,
                     SocketFactory* sockets = nullptr);
    ~Program();

    // Shows the start-up screen; its timer opens the main screen.
    void start();
    // Loads everything as start() does, opens the main screen at once (no three-second wait)
    // and writes a picture of it as PNG. Nobody is there to answer a box: its text goes to the
    // terminal and its default answer is taken. False when the file cannot be written.
    bool screenshot(const QString& pngPath);

    Host& host() { return host_; }
    MainWindow* mainWindow() { return main_.get(); }
    QWidget* startupWindow() { return startup_.get(); }

private:
    void loadStartup();
    void openMain();

    QtDialogs dialogs_;
    QtWallClock clock_;
    MonotonicTicks ticks_;
    QtSocketFactory sockets_;
    QtFocus focus_;
    QtApplication app_;
    Host host_;
    Binder startupBinder_;
    std::unique_ptr<QWidget> startup_;
    std::unique_ptr<MainWindow> main_;
};

}  // namespace rennik::ui
