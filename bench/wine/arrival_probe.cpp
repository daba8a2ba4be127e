// rennik1-arrival-probe: how late a Windows receive thread takes the moment a datagram came.
//
// A sender on the same machine (probe_sender, on Linux outside Wine) puts the moment of each
// send into the datagram, read on the clock that QueryPerformanceCounter counts under Wine
// (CLOCK_MONOTONIC_RAW). This program waits on one UDP socket with a receive thread, in one of
// two ways: a blocking read, with the moment taken as the read returns, or the socket's event,
// with the moment taken as the wait ends (as the pit host does). It stamps each datagram on the
// performance counter and prints how long after its send each moment was taken: the receive
// thread's own stamp and, where the system gives one, the socket's receive stamp
// (SIO_TIMESTAMPING, read with WSARecvMsg). Load, as the bench makes it, is optional: threads of
// this process that spin, or one thread busy 30 ms in every 100 ms.
//
//   rennik1-arrival-probe --port P [--count N] [--wait blocking|event] [--priority critical|normal]
//                         [--spin THREADS] [--busy yes] [--label TEXT]
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <mswsock.h>
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// Winsock's receive stamps (Windows 10 2004 and later); the compiler's headers declare them only
// for programs that require that Windows.
const DWORD kTimestampingIoctl = _WSAIOW(IOC_VENDOR, 235);
struct TimestampingConfig {
    ULONG flags;
    USHORT transmitStampsBuffered;
};
constexpr ULONG kStampReceived = 0x1;
constexpr INT kStampMessage = 0x300A;

struct Options {
    int port = 7031;
    int count = 500;
    bool eventWait = false;
    bool critical = true;
    int spin = 0;
    bool busy = false;
    std::string label = "probe";
};

struct Sample {
    double threadMs = 0;   // send to the receive thread's stamp
    double socketMs = -1;  // send to the socket's stamp; below zero when none came
};

std::int64_t counterNow() {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

std::int64_t counterFrequency() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
}

double counterToNs(std::int64_t ticks, std::int64_t frequency) {
    return static_cast<double>(ticks) * 1e9 / static_cast<double>(frequency);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

LPFN_WSARECVMSG recvMsgOf(SOCKET s) {
    GUID id = WSAID_WSARECVMSG;
    LPFN_WSARECVMSG f = nullptr;
    DWORD returned = 0;
    if (WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &f, sizeof f, &returned, nullptr,
                 nullptr) != 0) {
        return nullptr;
    }
    return f;
}

// The socket's receive stamp among the control data of one read, if it came.
bool socketStamp(const WSAMSG& message, std::uint64_t& stamp) {
    for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&message); c != nullptr; c = WSA_CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == kStampMessage &&
            c->cmsg_len >= WSA_CMSG_LEN(sizeof stamp)) {
            std::memcpy(&stamp, WSA_CMSG_DATA(c), sizeof stamp);
            return true;
        }
    }
    return false;
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const std::string value = argv[i + 1];
        if (a == "--port") {
            o.port = std::atoi(value.c_str());
        } else if (a == "--count") {
            o.count = std::atoi(value.c_str());
        } else if (a == "--wait") {
            o.eventWait = value == "event";
        } else if (a == "--priority") {
            o.critical = value != "normal";
        } else if (a == "--spin") {
            o.spin = std::atoi(value.c_str());
        } else if (a == "--busy") {
            o.busy = value == "yes";
        } else if (a == "--label") {
            o.label = value;
        }
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    TimestampingConfig config{};
    config.flags = kStampReceived;
    DWORD returned = 0;
    const bool stampsOffered =
        WSAIoctl(s, kTimestampingIoctl, &config, sizeof config, nullptr, 0, &returned, nullptr, nullptr) == 0;
    const int stampRefusal = stampsOffered ? 0 : WSAGetLastError();
    const LPFN_WSARECVMSG recvMsg = recvMsgOf(s);
    const DWORD wait = 200;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<u_short>(o.port));
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(stderr, "arrival-probe: cannot bind port %d: %d\n", o.port, WSAGetLastError());
        return 1;
    }
    WSAEVENT readable = WSA_INVALID_EVENT;
    if (o.eventWait) {
        readable = WSACreateEvent();
        WSAEventSelect(s, readable, FD_READ);
    }

    std::atomic<bool> stop{false};
    std::vector<std::thread> load;
    for (int i = 0; i < o.spin; ++i) {
        load.emplace_back([&stop] {
            volatile unsigned long spins = 0;
            while (!stop.load(std::memory_order_relaxed)) {
                spins = spins + 1;
            }
        });
    }
    if (o.busy) {
        load.emplace_back([&stop] {
            const std::int64_t f = counterFrequency();
            while (!stop.load(std::memory_order_relaxed)) {
                const std::int64_t until = counterNow() + f * 30 / 1000;
                while (counterNow() < until) {
                }
                Sleep(70);
            }
        });
    }

    const std::int64_t frequency = counterFrequency();
    std::vector<Sample> samples;
    int priorityAfter = 0;
    std::thread receiver([&] {
        if (o.critical) {
            SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        }
        priorityAfter = GetThreadPriority(GetCurrentThread());
        using Describe = HRESULT(WINAPI*)(HANDLE, PCWSTR);
        if (const auto describe = reinterpret_cast<Describe>(reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")))) {
            describe(GetCurrentThread(), L"arrival-receive");
        }
        std::vector<char> buffer(65536);
        std::printf("ready\n");
        std::fflush(stdout);
        while (static_cast<int>(samples.size()) < o.count) {
            // Waiting on the socket's event, the moment is taken as the wait ends, before the read.
            std::int64_t woke = 0;
            if (o.eventWait) {
                if (WSAWaitForMultipleEvents(1, &readable, FALSE, 200, FALSE) != WSA_WAIT_EVENT_0) {
                    continue;
                }
                woke = counterNow();
                WSANETWORKEVENTS events;
                WSAEnumNetworkEvents(s, readable, &events);
            }
            sockaddr_in from{};
            alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof(std::uint64_t))] = {};
            WSABUF part{static_cast<ULONG>(buffer.size()), buffer.data()};
            WSAMSG message{};
            message.name = reinterpret_cast<sockaddr*>(&from);
            message.namelen = sizeof from;
            message.lpBuffers = &part;
            message.dwBufferCount = 1;
            message.Control = {sizeof control, control};
            DWORD size = 0;
            const int r = recvMsg(s, &message, &size, nullptr, nullptr);
            const std::int64_t at = woke != 0 ? woke : counterNow();
            if (r != 0) {
                const int e = WSAGetLastError();
                if (e == WSAETIMEDOUT || e == WSAEWOULDBLOCK || e == WSAECONNRESET || e == WSAEMSGSIZE) {
                    continue;
                }
                std::fprintf(stderr, "arrival-probe: receive failed: %d\n", e);
                return;
            }
            const std::string text(buffer.data(), size);
            if (text == "end") {
                return;
            }
            const double sentNs = std::strtod(text.c_str(), nullptr);
            Sample sample;
            sample.threadMs = (counterToNs(at, frequency) - sentNs) / 1e6;
            std::uint64_t stamp = 0;
            if (socketStamp(message, stamp)) {
                sample.socketMs = (counterToNs(static_cast<std::int64_t>(stamp), frequency) - sentNs) / 1e6;
            }
            samples.push_back(sample);
        }
    });
    receiver.join();
    stop = true;
    for (std::thread& t : load) {
        t.join();
    }

    std::vector<double> thread;
    std::vector<double> socketStamps;
    for (const Sample& sample : samples) {
        thread.push_back(sample.threadMs);
        if (sample.socketMs >= -0.5) {
            socketStamps.push_back(sample.socketMs);
        }
    }
    std::printf("%-34s send to thread stamp ms: min %.3f p50 %.3f p99 %.3f max %.3f (%zu datagrams)\n",
                o.label.c_str(), percentile(thread, 0), percentile(thread, 50), percentile(thread, 99),
                percentile(thread, 100), thread.size());
    std::printf("%-34s socket stamps: %s", o.label.c_str(),
                stampsOffered ? "SIO_TIMESTAMPING accepted" : "SIO_TIMESTAMPING refused");
    if (!stampsOffered) {
        std::printf(" (error %d)", stampRefusal);
    }
    std::printf(", %zu of %zu datagrams stamped", socketStamps.size(), samples.size());
    if (!socketStamps.empty()) {
        std::printf(", send to stamp p50 %.3f p99 %.3f max %.3f ms", percentile(socketStamps, 50),
                    percentile(socketStamps, 99), percentile(socketStamps, 100));
    }
    std::printf("; thread priority %d; counter %lld Hz\n", priorityAfter, static_cast<long long>(frequency));
    closesocket(s);
    return 0;
}
