#pragma once

#include <QObject>
#include <QString>
#ifdef __linux__
#include <QSocketNotifier>
#else
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>
#endif

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/ports.h"

namespace rennik::ui {

// How the datagrams read by the sockets of one factory were timed: at their arrival (the
// kernel's stamp, or the moment the receive thread took them), or, where no stamp came or it was
// refused, at the moment the user-interface thread read them.
struct ArrivalTally {
    std::uint64_t stamped = 0;
    std::uint64_t fallbacks = 0;
};

// One UDP socket on IPv4, handed to its receiver on the user-interface thread, with each
// datagram timed at its arrival, so that a busy user-interface thread reads a report late but
// still times it when it came:
// - on Linux the kernel stamps every datagram as it comes in (SO_TIMESTAMPNS);
// - on Windows a receive thread of raised priority waits on the socket and takes the moment
//   each datagram comes, then passes it to the user-interface thread.
class QtUdpEndpoint : public UdpEndpoint {
public:
    // The most of one datagram handed on: no datagram of the program's links is longer than
    // a few hundred bytes, and a flood of the longest ones (65,507 bytes) must cost no more than
    // one of these each.
    static constexpr std::size_t kMostKeptBytes = 4096;
    // One share of readPending: this many datagrams, or this long, whichever comes first.
    static constexpr int kMostPerTurn = 64;
    static constexpr std::chrono::milliseconds kLongestTurn{20};

    // `afterDatagram` runs once after each batch of datagrams handed to the receiver: the screen
    // is redrawn from it. `tally` counts how each datagram was timed.
    QtUdpEndpoint(std::shared_ptr<std::function<void()>> afterDatagram, std::shared_ptr<ArrivalTally> tally);
    ~QtUdpEndpoint() override;
    QtUdpEndpoint(const QtUdpEndpoint&) = delete;
    QtUdpEndpoint& operator=(const QtUdpEndpoint&) = delete;

    OpenResult open(int localPort, const std::string& remoteHost, int remotePort) override;
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
    // Hands the waiting datagrams to the receiver, a bounded share at a time: under a flood the
    // event loop gets its turn (the lap display's tick, the screen) between two shares.
    void readPending();
    // Makes the event loop call readPending again on its next turn, for what is left waiting.
    void readOnNextTurn();
    // The next waiting datagram, or none when the socket is closed or empty.
    std::optional<Incoming> readOne();
    // Sends to an IPv4 address in dotted form; a datagram the network cannot take now, or one
    // for a host that is no address, is lost, as UDP loses it on the way.
    void sendBytes(const std::string& datagram, const QString& host, quint16 port);

#ifdef __linux__
    int fd_ = -1;
    QSocketNotifier notifier_{QSocketNotifier::Read};
    std::vector<char> buffer_;
#else
    void receiveLoop();
    std::uintptr_t socket_;
    std::thread receiveThread_;
    std::atomic<bool> stopping_{false};
    // Set while a call to read is on its way to the user-interface thread.
    std::atomic<bool> wakePosted_{false};
    std::mutex arrivedLock_;
    std::deque<Incoming> arrived_;
    // Lives on the user-interface thread: the receive thread posts its reads through it.
    QObject wake_;
#endif
    QString remoteHost_;
    quint16 remotePort_ = 0;
    Receiver receiver_;
    std::shared_ptr<std::function<void()>> afterDatagram_;
    std::shared_ptr<ArrivalTally> tally_;
    // Set false by the destructor: a receiver may end this endpoint while it is being read.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace rennik::ui
