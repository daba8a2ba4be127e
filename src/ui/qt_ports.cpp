#include "ui/qt_ports.h"

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QHostAddress>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkInterface>
#ifdef __linux__
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#else
#include <QNetworkDatagram>
#endif

#include <cstdio>

#include "timing/arrival_clock.h"

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

std::string QtDialogs::saveFileName(const SaveFileRequest& request) {
    if (unattended_) {
        return {};
    }
    // "description|pattern|description|pattern" as Qt writes filters: "description (pattern)",
    // separated by ";;"; a description that already names its pattern is taken as it stands.
    const QStringList parts = QString::fromStdString(request.filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        filters << (parts[i].contains(parts[i + 1]) ? parts[i] : parts[i] + " (" + parts[i + 1] + ")");
    }
    return QFileDialog::getSaveFileName(parent_.data(), QString::fromStdString(request.title),
                                        QString::fromStdString(request.fileName), filters.join(";;"))
        .toStdString();
}

LocalDateTime QtWallClock::now() const {
    const QDateTime t = QDateTime::currentDateTime();
    const QDate d = t.date();
    const QTime c = t.time();
    return {d.year(), d.month(), d.day(), c.hour(), c.minute(), c.second()};
}

#ifdef __linux__

namespace {

// Datagrams on IPv4 carry at most 65,507 bytes: one read always takes a whole one.
constexpr std::size_t kLargestDatagram = 65536;

std::chrono::system_clock::time_point realtimeOf(const timespec& t) {
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::seconds(t.tv_sec) +
                                                                        std::chrono::nanoseconds(t.tv_nsec)));
}

// The kernel's receive stamp among the control messages of one read, if it came.
std::optional<timespec> receiveStamp(msghdr& message) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS &&
            c->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
            timespec t{};
            std::memcpy(&t, CMSG_DATA(c), sizeof t);
            return t;
        }
    }
    return std::nullopt;
}

}  // namespace

QtUdpEndpoint::QtUdpEndpoint(std::shared_ptr<std::function<void()>> afterDatagram,
                             std::shared_ptr<ArrivalTally> tally)
    : buffer_(kLargestDatagram), afterDatagram_(std::move(afterDatagram)), tally_(std::move(tally)) {
    QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this] { readPending(); });
}

bool QtUdpEndpoint::open(int localPort, const std::string& remoteHost, int remotePort) {
    close();
    remoteHost_ = QString::fromStdString(remoteHost);
    remotePort_ = static_cast<quint16>(remotePort);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    // Without a stamp a datagram is timed at its read, so a refusal here is not fatal.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(localPort));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    // Not shared (no SO_REUSEADDR): a port another program holds must fail here, not steal half
    // its datagrams.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    notifier_.setSocket(fd_);
    notifier_.setEnabled(true);
    return true;
}

void QtUdpEndpoint::close() {
    if (fd_ < 0) {
        return;
    }
    notifier_.setEnabled(false);
    ::close(fd_);
    fd_ = -1;
}

void QtUdpEndpoint::sendBytes(const std::string& datagram, const QString& host, quint16 port) {
    bool ok = false;
    const quint32 address = QHostAddress(host).toIPv4Address(&ok);
    if (fd_ < 0 || !ok) {
        return;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address);
    // A datagram the network cannot take now is lost, as UDP loses it on the way.
    ::sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

std::optional<QtUdpEndpoint::Incoming> QtUdpEndpoint::readOne() {
    while (fd_ >= 0) {
        sockaddr_in from{};
        iovec data{buffer_.data(), buffer_.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t size = ::recvmsg(fd_, &message, 0);
        if (size < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;  // empty (EAGAIN), or nothing more this socket can give now
        }
        // Both clocks are read at once, after the read: the stamp's age on the one is taken back
        // from the other.
        const auto realtimeNow = std::chrono::system_clock::now();
        const auto monotonicNow = std::chrono::steady_clock::now();
        const std::optional<timespec> stamp = receiveStamp(message);
        const ArrivalMoment a = stamp ? arrivalFromStamp(realtimeOf(*stamp), realtimeNow, monotonicNow)
                                      : ArrivalMoment{monotonicNow, false};
        ++(a.fromStamp ? tally_->stamped : tally_->fallbacks);
        char sender[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &from.sin_addr, sender, sizeof sender);
        return Incoming{std::string(buffer_.data(), static_cast<std::size_t>(size)), sender, a.moment};
    }
    return std::nullopt;
}

#else

QtUdpEndpoint::QtUdpEndpoint(std::shared_ptr<std::function<void()>> afterDatagram,
                             std::shared_ptr<ArrivalTally> tally)
    : afterDatagram_(std::move(afterDatagram)), tally_(std::move(tally)) {
    QObject::connect(&socket_, &QUdpSocket::readyRead, &socket_, [this] { readPending(); });
}

bool QtUdpEndpoint::open(int localPort, const std::string& remoteHost, int remotePort) {
    socket_.close();
    remoteHost_ = QString::fromStdString(remoteHost);
    remotePort_ = static_cast<quint16>(remotePort);
    // Not shared: a port another program holds must fail here, not steal half its datagrams.
    return socket_.bind(QHostAddress::AnyIPv4, static_cast<quint16>(localPort),
                        QAbstractSocket::DontShareAddress);
}

void QtUdpEndpoint::close() { socket_.close(); }

void QtUdpEndpoint::sendBytes(const std::string& datagram, const QString& host, quint16 port) {
    socket_.writeDatagram(datagram.data(), static_cast<qint64>(datagram.size()), QHostAddress(host), port);
}

// Here the platform gives no arrival stamp: a datagram is timed at its read.
std::optional<QtUdpEndpoint::Incoming> QtUdpEndpoint::readOne() {
    if (!socket_.hasPendingDatagrams()) {
        return std::nullopt;
    }
    const QNetworkDatagram d = socket_.receiveDatagram();
    ++tally_->fallbacks;
    const QByteArray data = d.data();
    return Incoming{std::string(data.constData(), static_cast<std::size_t>(data.size())),
                    d.senderAddress().toString().toStdString(), std::chrono::steady_clock::now()};
}

#endif

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
    bool handled = false;
    while (*alive) {
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
}

std::unique_ptr<UdpEndpoint> QtSocketFactory::create() {
    return std::make_unique<QtUdpEndpoint>(afterDatagram_, tally_);
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
