#pragma once

#include <QObject>
#include <QPointer>
#include <QUdpSocket>
#include <QWidget>

#include <functional>
#include <memory>

#include "core/ports.h"

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
};

class QtUdpEndpoint : public UdpEndpoint {
public:
    // `afterDatagram` runs after each datagram's receiver: the screen is redrawn from it.
    explicit QtUdpEndpoint(std::shared_ptr<std::function<void()>> afterDatagram);
    bool open(int localPort, const std::string& remoteHost, int remotePort) override;
    void send(const std::string& datagram) override;
    void sendTo(const std::string& datagram, const std::string& host, int port) override;
    void close() override;
    void setReceiver(Receiver receiver) override;
    void deliverPending() override;
    std::string localIp() const override;

private:
    void readPending();

    QUdpSocket socket_;
    QString remoteHost_;
    quint16 remotePort_ = 0;
    Receiver receiver_;
    std::shared_ptr<std::function<void()>> afterDatagram_;
};

class QtSocketFactory : public SocketFactory {
public:
    std::unique_ptr<UdpEndpoint> create() override;
    // What every socket does after handing a datagram to its handler (redraw the screen).
    void setAfterDatagram(std::function<void()> hook) { *afterDatagram_ = std::move(hook); }

private:
    std::shared_ptr<std::function<void()>> afterDatagram_ = std::make_shared<std::function<void()>>();
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
