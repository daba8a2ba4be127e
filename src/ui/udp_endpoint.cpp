#include "ui/udp_endpoint.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace rennik::ui {

QtUdpEndpoint::~QtUdpEndpoint() {
    *alive_ = false;
    close();
}

void QtUdpEndpoint::send(const std::string& datagram) { sendBytes(datagram, remoteHost_, remotePort_); }

void QtUdpEndpoint::sendTo(const std::string& datagram, const std::string& host, int port) {
    sendBytes(datagram, QString::fromStdString(host), static_cast<quint16>(port));
}

void QtUdpEndpoint::deliverPending() { readPending(); }

void QtUdpEndpoint::setReceiver(Receiver receiver) { receiver_ = std::move(receiver); }

std::string QtUdpEndpoint::localIp() const {
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
            return address.toString().toStdString();
        }
    }
    return "127.0.0.1";
}

void QtUdpEndpoint::readPending() {
    // Copied first: the receiver may close this socket, open it again, replace itself or end
    // the endpoint altogether.
    const std::shared_ptr<std::function<void()>> after = afterDatagram_;
    const std::shared_ptr<bool> alive = alive_;
    const auto turnEnds = std::chrono::steady_clock::now() + kLongestTurn;
    bool handled = false;
    bool more = false;
    for (int read = 0; *alive; ++read) {
        if (read == kMostPerTurn || std::chrono::steady_clock::now() >= turnEnds) {
            more = true;
            break;
        }
        std::optional<Incoming> in = readOne();
        if (!in) {
            break;
        }
        if (receiver_) {
            const Receiver receiver = receiver_;
            receiver(in->datagram, in->fromHost, in->arrived);
            handled = true;
        }
    }
    if (handled && after && *after) {
        (*after)();
    }
    if (more && *alive) {
        readOnNextTurn();
    }
}

}  // namespace rennik::ui
