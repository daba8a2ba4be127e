#include "ui/qt_ports.h"

#include <QApplication>

#include <cstdio>

#include <QDateTime>
#include <QHostAddress>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkDatagram>
#include <QNetworkInterface>

namespace rennik::ui {
namespace {

QMessageBox::Icon qtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Answer QtDialogs::messageBox(const MessageBoxRequest& request) {
    if (unattended_) {
        std::fprintf(stderr, "%s: %s\n", request.title.c_str(), request.text.c_str());
        return request.buttons == MsgButtons::YesNo ? request.defaultButton : Answer::Ok;
    }
    QMessageBox box(qtIcon(request.icon), QString::fromStdString(request.title),
                    QString::fromStdString(request.text), QMessageBox::NoButton, parent_.data());
    if (request.buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(request.defaultButton == Answer::Yes ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

std::string QtDialogs::inputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultText) {
    if (unattended_) {
        return {};
    }
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent_.data(), QString::fromStdString(title), QString::fromStdString(prompt),
                              QLineEdit::Normal, QString::fromStdString(defaultText), &ok);
    return ok ? answer.toStdString() : std::string();
}

void QtDialogs::beep() { QApplication::beep(); }

LocalDateTime QtWallClock::now() const {
    const QDateTime t = QDateTime::currentDateTime();
    const QDate d = t.date();
    const QTime c = t.time();
    return {d.year(), d.month(), d.day(), c.hour(), c.minute(), c.second()};
}

QtUdpEndpoint::QtUdpEndpoint(std::shared_ptr<std::function<void()>> afterDatagram)
    : afterDatagram_(std::move(afterDatagram)) {
    QObject::connect(&socket_, &QUdpSocket::readyRead, &socket_, [this] { readPending(); });
}

bool QtUdpEndpoint::open(int localPort, const std::string& remoteHost, int remotePort) {
    socket_.close();
    remoteHost_ = QString::fromStdString(remoteHost);
    remotePort_ = static_cast<quint16>(remotePort);
    // Not shared: a port another program holds must fail here, not steal half its datagrams.
    if (!socket_.bind(QHostAddress::AnyIPv4, static_cast<quint16>(localPort),
                      QAbstractSocket::DontShareAddress)) {
        return false;
    }
    return true;
}

void QtUdpEndpoint::send(const std::string& datagram) {
    socket_.writeDatagram(datagram.data(), static_cast<qint64>(datagram.size()), QHostAddress(remoteHost_),
                          remotePort_);
}

void QtUdpEndpoint::sendTo(const std::string& datagram, const std::string& host, int port) {
    socket_.writeDatagram(datagram.data(), static_cast<qint64>(datagram.size()),
                          QHostAddress(QString::fromStdString(host)), static_cast<quint16>(port));
}

void QtUdpEndpoint::close() { socket_.close(); }

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
    // Copied first: the handler may close this socket, or open it again.
    const std::shared_ptr<std::function<void()>> after = afterDatagram_;
    bool handled = false;
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram d = socket_.receiveDatagram();
        if (receiver_) {
            const QByteArray data = d.data();
            receiver_(std::string(data.constData(), static_cast<std::size_t>(data.size())),
                      d.senderAddress().toString().toStdString(), std::chrono::steady_clock::now());
            handled = true;
        }
    }
    if (handled && after && *after) {
        (*after)();
    }
}

std::unique_ptr<UdpEndpoint> QtSocketFactory::create() {
    return std::make_unique<QtUdpEndpoint>(afterDatagram_);
}

void QtFocus::setFocus(const Control& control) {
    if (window_ == nullptr) {
        return;
    }
    if (auto* w = window_->findChild<QWidget*>(QString::fromStdString(control.name())); w != nullptr) {
        w->setFocus(Qt::OtherFocusReason);
    }
}

void QtApplication::quit() { QCoreApplication::exit(0); }

}  // namespace rennik::ui
