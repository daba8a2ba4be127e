#include "ui/udp_endpoint.h"

#include <QHostAddress>
#include <QMetaObject>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <mswsock.h>
#include <pthread.h>
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

#include "timing/arrival_clock.h"

// The Windows socket: a receive thread of raised priority waits on the socket's event and takes
// the moment each datagram comes; where Windows stamps datagrams itself as they come in
// (SIO_TIMESTAMPING, Windows 10 2004 and later, on an adapter that has the stamps switched on),
// that stamp is the moment instead. The user-interface thread then handles the datagrams in their
// order of arrival.
namespace rennik::ui {
namespace {

// Datagrams on IPv4 carry at most 65,507 bytes: one read always takes a whole one.
constexpr int kLargestDatagram = 65536;
// Datagrams taken but not yet handled. Beyond this (a flood faster than the screen handles
// it) a datagram is dropped, as a full socket buffer drops it.
constexpr std::size_t kMostWaiting = 1024;

// Winsock's receive stamps; the compiler's headers declare them only for programs that require
// Windows 10 2004. The stamp is a count of the performance counter, as steady_clock is here.
const DWORD kTimestampingIoctl = _WSAIOW(IOC_VENDOR, 235);
struct TimestampingConfig {
    ULONG flags;
    USHORT transmitStampsBuffered;
};
constexpr ULONG kStampReceived = 0x1;
constexpr INT kStampMessage = 0x300A;

SOCKET socketOf(std::uintptr_t s) { return static_cast<SOCKET>(s); }

std::int64_t counterNow() {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

// Windows' receive stamp among the control data of one read, if it came.
std::optional<std::int64_t> socketStamp(const WSAMSG& message) {
    for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&message); c != nullptr; c = WSA_CMSG_NXTHDR(&message, c)) {
        std::uint64_t stamp = 0;
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == kStampMessage &&
            c->cmsg_len >= WSA_CMSG_LEN(sizeof stamp)) {
            std::memcpy(&stamp, WSA_CMSG_DATA(c), sizeof stamp);
            return static_cast<std::int64_t>(stamp);
        }
    }
    return std::nullopt;
}

// The arrival of a datagram stamped `stamp` (performance counter) and read at `counterAtRead` and
// `monotonicAtRead`. An age out of bounds means the stamp is not of the performance counter (a
// network adapter's own clock) and is not trusted.
std::optional<std::chrono::steady_clock::time_point> arrivalOfStamp(
    std::int64_t stamp, std::int64_t counterAtRead, std::chrono::steady_clock::time_point monotonicAtRead) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const auto age =
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(
            static_cast<double>(counterAtRead - stamp) / static_cast<double>(frequency.QuadPart)));
    if (age < std::chrono::steady_clock::duration::zero() || age > kMaxArrivalAge) {
        return std::nullopt;
    }
    return monotonicAtRead - age;
}

// WSARecvMsg, which reads a datagram with its control data (every Windows since XP, and Wine).
LPFN_WSARECVMSG recvMsgOf(SOCKET s) {
    GUID id = WSAID_WSARECVMSG;
    LPFN_WSARECVMSG f = nullptr;
    DWORD returned = 0;
    if (::WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &f, sizeof f, &returned, nullptr,
                   nullptr) != 0) {
        return nullptr;
    }
    return f;
}

// Names the receive thread for debuggers and the process lists (Windows 10 1607 and later; Wine
// gives the name to the Linux thread).
void nameThisThread() {
    using Describe = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    const auto describe = reinterpret_cast<Describe>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
    if (describe) {
        describe(::GetCurrentThread(), L"rennik1 receive");
    }
}

// Queued to the receive thread to end its wait.
void CALLBACK endWait(ULONG_PTR) {}

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
    // Windows' own receive stamps where it gives them; older Windows and Wine refuse, and then the
    // receive thread's moment stands.
    TimestampingConfig stamps{kStampReceived, 0};
    ::WSAIoctl(s, kTimestampingIoctl, &stamps, sizeof stamps, nullptr, 0, &returned, nullptr, nullptr);
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
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    nameThisThread();
    const SOCKET s = socketOf(socket_);
    const LPFN_WSARECVMSG recvMsg = recvMsgOf(s);
    // The socket's event is set while a datagram waits (and the socket no longer blocks a read).
    const WSAEVENT readable = ::WSACreateEvent();
    if (recvMsg == nullptr || readable == WSA_INVALID_EVENT || ::WSAEventSelect(s, readable, FD_READ) != 0) {
        if (readable != WSA_INVALID_EVENT) {
            ::WSACloseEvent(readable);
        }
        return;
    }
    std::vector<char> buffer(kLargestDatagram);
    while (!stopping_) {
        // Alertable: close() ends the wait with a call queued to this thread.
        const DWORD woken = ::WSAWaitForMultipleEvents(1, &readable, FALSE, WSA_INFINITE, TRUE);
        if (woken == WSA_WAIT_IO_COMPLETION) {
            continue;
        }
        if (woken != WSA_WAIT_EVENT_0) {
            break;  // the wait itself failed: nothing more can be read
        }
        // One datagram a wake-up, taken at the moment the wait ended: the datagram first in the
        // socket's queue was there by then, and the read sets the event again for the next one.
        // (Under Wine every step after the wake-up, the read too, waits on Wine's server, which a
        // loaded machine holds up by milliseconds.)
        const auto woke = std::chrono::steady_clock::now();
        WSANETWORKEVENTS events;
        ::WSAEnumNetworkEvents(s, readable, &events);
        sockaddr_in from{};
        WSABUF part{static_cast<ULONG>(buffer.size()), buffer.data()};
        alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof(std::uint64_t))] = {};
        WSAMSG message{};
        message.name = reinterpret_cast<sockaddr*>(&from);
        message.namelen = sizeof from;
        message.lpBuffers = &part;
        message.dwBufferCount = 1;
        message.Control = {static_cast<ULONG>(sizeof control), control};
        DWORD size = 0;
        const int result = recvMsg(s, &message, &size, nullptr, nullptr);
        const std::int64_t counterAtRead = counterNow();
        const auto now = std::chrono::steady_clock::now();
        if (result == SOCKET_ERROR) {
            const int error = ::WSAGetLastError();
            // Nothing waited after all, a reset reported all the same, or a datagram too long:
            // go on.
            if (error == WSAEWOULDBLOCK || error == WSAECONNRESET || error == WSAEMSGSIZE) {
                continue;
            }
            break;  // the socket is closed, or can give nothing more
        }
        const std::optional<std::int64_t> stamp = socketStamp(message);
        const auto stamped = stamp ? arrivalOfStamp(*stamp, counterAtRead, now) : std::nullopt;
        char sender[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &from.sin_addr, sender, sizeof sender);
        {
            const std::lock_guard<std::mutex> lock(arrivedLock_);
            if (arrived_.size() >= kMostWaiting) {
                continue;
            }
            const std::size_t kept = std::min(static_cast<std::size_t>(size), kMostKeptBytes);
            arrived_.push_back({std::string(buffer.data(), kept), sender, stamped.value_or(woke)});
        }
        if (!wakePosted_.exchange(true)) {
            QMetaObject::invokeMethod(
                &wake_, [this] { readPending(); }, Qt::QueuedConnection);
        }
    }
    ::WSACloseEvent(readable);
}

void QtUdpEndpoint::close() {
    if (socketOf(socket_) == INVALID_SOCKET) {
        return;
    }
    // The call queued to the receive thread ends its wait at once; the socket is closed after the
    // thread has ended, so that it never reads a socket that is gone.
    stopping_ = true;
    if (receiveThread_.joinable()) {
        ::QueueUserAPC(endWait, ::pthread_gethandle(receiveThread_.native_handle()), 0);
        receiveThread_.join();
    }
    ::closesocket(socketOf(socket_));
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

// The read stays posted (wakePosted_) while datagrams wait: the next one is posted here.
void QtUdpEndpoint::readOnNextTurn() {
    QMetaObject::invokeMethod(
        &wake_, [this] { readPending(); }, Qt::QueuedConnection);
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
