#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#ifdef __linux__
#include <QSocketNotifier>
#else
#include <QUdpSocket>
#endif

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
    std::string saveFileName(const SaveFileRequest& request) override;
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

// How the datagrams read by the sockets of one factory were timed: by the kernel's arrival
// stamp, or, where none came or it was refused, by the moment of the read.
struct ArrivalTally {
    std::uint64_t stamped = 0;
    std::uint64_t fallbacks = 0;
};

// One UDP socket on IPv4, read on the user-interface thread. On Linux it is a socket of its own
// that asks the kernel to stamp every datagram as it comes in (SO_TIMESTAMPNS), so that a busy
// user-interface thread reads a report late but still times it at its arrival; elsewhere it is
// a QUdpSocket, and a datagram's moment is that of its read.
class QtUdpEndpoint : public UdpEndpoint {
public:
    // `afterDatagram` runs once after each batch of datagrams handed to the receiver: the screen
    // is redrawn from it. `tally` counts how each datagram was timed.
    QtUdpEndpoint(std::shared_ptr<std::function<void()>> afterDatagram, std::shared_ptr<ArrivalTally> tally);
    ~QtUdpEndpoint() override;
    QtUdpEndpoint(const QtUdpEndpoint&) = delete;
    QtUdpEndpoint& operator=(const QtUdpEndpoint&) = delete;

    bool open(int localPort, const std::string& remoteHost, int remotePort) override;
    void send(const std::string& datagram) override;
    void sendTo(const std::string& datagram, const std::string& host, int port) override;
    void close() override;
    void setReceiver(Receiver receiver) override;
    void deliverPending() override;
    std::string localIp() const override;

private:
    struct Incoming {
        std::string datagram;
        std::string fromHost;
        std::chrono::steady_clock::time_point arrived;
    };
    void readPending();
    // The next waiting datagram, or none when the socket is closed or empty.
    std::optional<Incoming> readOne();
    void sendBytes(const std::string& datagram, const QString& host, quint16 port);

#ifdef __linux__
    int fd_ = -1;
    QSocketNotifier notifier_{QSocketNotifier::Read};
    std::vector<char> buffer_;
#else
    QUdpSocket socket_;
#endif
    QString remoteHost_;
    quint16 remotePort_ = 0;
    Receiver receiver_;
    std::shared_ptr<std::function<void()>> afterDatagram_;
    std::shared_ptr<ArrivalTally> tally_;
    // Set false by the destructor: a receiver may end this endpoint while it is being read.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
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
