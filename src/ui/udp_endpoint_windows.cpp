#include "ui/udp_endpoint.h"

#include <QHostAddress>
#include <QMetaObject>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <mswsock.h>
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

// The Windows socket: Winsock gives no arrival stamp that Wine or older Windows offers, so a
// receive thread of raised priority waits on the socket and takes the moment each datagram
// comes. The user-interface thread then handles the datagrams in their order of arrival.
namespace rennik::ui {
namespace {

// Datagrams on IPv4 carry at most 65,507 bytes: one read always takes a whole one.
constexpr int kLargestDatagram = 65536;
// Datagrams taken but not yet handled. Beyond this (a flood faster than the screen handles
// it) a datagram is dropped, as a full socket buffer drops it.
constexpr std::size_t kMostWaiting = 1024;
// The longest the receive thread waits before it looks whether the socket is being closed.
constexpr DWORD kWaitMs = 200;

SOCKET socketOf(std::uintptr_t s) { return static_cast<SOCKET>(s); }

}  // namespace

QtUdpEndpoint::QtUdpEndpoint(std::shared_ptr<std::function<void()>> afterDatagram,
                             std::shared_ptr<ArrivalTally> tally)
    : socket_(static_cast<std::uintptr_t>(INVALID_SOCKET)),
      afterDatagram_(std::move(afterDatagram)),
      tally_(std::move(tally)) {
    // Winsock is started for each endpoint and stays started for the program's life, as Qt keeps
    // it for its own sockets.
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

OpenResult QtUdpEndpoint::open(int localPort, const std::string& remoteHost, int remotePort) {
    close();
    remoteHost_ = QString::fromStdString(remoteHost);
    remotePort_ = static_cast<quint16>(remotePort);
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        return OpenFailure(::WSAGetLastError());
    }
    // Not shared: a port another program holds must fail here, and no later program may take
    // half of ours.
    BOOL on = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
    // A reply to a car PC that is not listening brings back an ICMP "port unreachable", which
    // Winsock would report as a failed receive on this socket; the next report must still come.
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(s, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset, nullptr, 0, &returned, nullptr,
               nullptr);
    const DWORD wait = kWaitMs;
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<u_short>(localPort));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const int refusal = ::WSAGetLastError();
        ::closesocket(s);
        return OpenFailure(refusal);
    }
    socket_ = static_cast<std::uintptr_t>(s);
    stopping_ = false;
    receiveThread_ = std::thread([this] { receiveLoop(); });
    return {};
}

void QtUdpEndpoint::receiveLoop() {
    // Raised so that a busy user-interface thread, or another program, does not delay the moment
    // a report is taken; the thread only ever waits on the socket.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    std::vector<char> buffer(kLargestDatagram);
    while (!stopping_) {
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int size = ::recvfrom(socketOf(socket_), buffer.data(), kLargestDatagram, 0,
                                    reinterpret_cast<sockaddr*>(&from), &fromLength);
        const auto now = std::chrono::steady_clock::now();
        if (size == SOCKET_ERROR) {
            const int error = WSAGetLastError();
            // Waited in vain, a reset reported all the same, or a datagram too long: go on.
            if (error == WSAETIMEDOUT || error == WSAECONNRESET || error == WSAEMSGSIZE) {
                continue;
            }
            return;  // the socket is closed, or can give nothing more
        }
        char sender[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &from.sin_addr, sender, sizeof sender);
        {
            const std::lock_guard<std::mutex> lock(arrivedLock_);
            if (arrived_.size() >= kMostWaiting) {
                continue;
            }
            arrived_.push_back({std::string(buffer.data(), static_cast<std::size_t>(size)), sender, now});
        }
        if (!wakePosted_.exchange(true)) {
            QMetaObject::invokeMethod(
                &wake_, [this] { readPending(); }, Qt::QueuedConnection);
        }
    }
}

void QtUdpEndpoint::close() {
    if (socketOf(socket_) == INVALID_SOCKET) {
        return;
    }
    // Closing the socket ends the thread's wait at once; the receive timeout bounds it anyway.
    stopping_ = true;
    ::closesocket(socketOf(socket_));
    if (receiveThread_.joinable()) {
        receiveThread_.join();
    }
    socket_ = static_cast<std::uintptr_t>(INVALID_SOCKET);
    // What was taken but not handled belongs to the closed socket: it is not read.
    const std::lock_guard<std::mutex> lock(arrivedLock_);
    arrived_.clear();
}

void QtUdpEndpoint::sendBytes(const std::string& datagram, const QString& host, quint16 port) {
    bool ok = false;
    const quint32 address = QHostAddress(host).toIPv4Address(&ok);
    if (socketOf(socket_) == INVALID_SOCKET || !ok) {
        return;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address);
    ::sendto(socketOf(socket_), datagram.data(), static_cast<int>(datagram.size()), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

std::optional<QtUdpEndpoint::Incoming> QtUdpEndpoint::readOne() {
    const std::lock_guard<std::mutex> lock(arrivedLock_);
    if (arrived_.empty()) {
        // Cleared under the lock: a datagram taken from here on posts a read of its own.
        wakePosted_ = false;
        return std::nullopt;
    }
    Incoming in = std::move(arrived_.front());
    arrived_.pop_front();
    ++tally_->stamped;
    return in;
}

}  // namespace rennik::ui
