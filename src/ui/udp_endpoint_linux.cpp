#include "ui/udp_endpoint.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QHostAddress>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "timing/arrival_clock.h"

// The Linux socket: the kernel stamps each datagram at its arrival.
namespace rennik::ui {

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

OpenResult QtUdpEndpoint::open(int localPort, const std::string& remoteHost, int remotePort) {
    close();
    remoteHost_ = QString::fromStdString(remoteHost);
    remotePort_ = static_cast<quint16>(remotePort);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return OpenFailure(errno);
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
        const int refusal = errno;
        ::close(fd);
        return OpenFailure(refusal);
    }
    fd_ = fd;
    notifier_.setSocket(fd_);
    notifier_.setEnabled(true);
    return {};
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

// The socket's notifier calls again on the next turn for as long as a datagram waits.
void QtUdpEndpoint::readOnNextTurn() {}

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
        const std::size_t kept = std::min(static_cast<std::size_t>(size), kMostKeptBytes);
        return Incoming{std::string(buffer_.data(), kept), sender, a.moment};
    }
    return std::nullopt;
}

}  // namespace rennik::ui
