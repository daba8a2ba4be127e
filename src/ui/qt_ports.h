#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/ports.h"
#include "ui/udp_endpoint.h"

// The platform ports of the core, implemented with Qt.
namespace rennik::ui {

class QtDialogs : public Dialogs {
public:
    // Boxes open centred over this window (the screen's centre while it is empty).
    void setParentWindow(QWidget* window) { parent_ = window; }
    // With nobody at the screen, a box writes its text to the terminal and takes its default
    // answer, and an input box answers "".
    void setUnattended(bool on) { unattended_ = on; }
    Answer messageBox(const MessageBoxRequest& request) override;
    SaveFileAnswer saveFileName(const SaveFileRequest& request) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    void beep() override;

private:
    QPointer<QWidget> parent_;
    bool unattended_ = false;
};

class QtWallClock : public WallClock {
public:
    LocalDateTime now() const override;
    std::chrono::system_clock::time_point instant() const override { return std::chrono::system_clock::now(); }
};

class QtSocketFactory : public SocketFactory {
public:
    std::unique_ptr<UdpEndpoint> create() override;
    // What every socket does after handing a datagram to its handler (redraw the screen).
    void setAfterDatagram(std::function<void()> hook) { *afterDatagram_ = std::move(hook); }
    // Datagrams read by this factory's sockets, so far, timed by their read (no stamp came, or
    // it was refused) and by the kernel's arrival stamp.
    std::uint64_t arrivalFallbacks() const { return tally_->fallbacks; }
    std::uint64_t arrivalsStamped() const { return tally_->stamped; }

private:
    std::shared_ptr<std::function<void()>> afterDatagram_ = std::make_shared<std::function<void()>>();
    std::shared_ptr<ArrivalTally> tally_ = std::make_shared<ArrivalTally>();
};

// Finds the widget of a control by its name among the children of the main window.
class QtFocus : public Focus {
public:
    void setWindow(QWidget* window) { window_ = window; }
    void setFocus(const Control& control) override;

private:
    QPointer<QWidget> window_;
};

class QtApplication : public Application {
public:
    void quit() override;
};

}  // namespace rennik::ui
