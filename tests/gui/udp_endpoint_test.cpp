// The program's own UDP socket on 127.0.0.1: a datagram read late keeps the moment it arrived,
// a port another socket holds is refused, and a receiver may close its own socket.
#include <QThread>
#include <QUdpSocket>
#include <QtTest>

#include <chrono>
#include <string>
#include <vector>

#include "ui/qt_ports.h"

using namespace rennik;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPort = 7091;

void sendFromCar(const QByteArray& bytes) {
    QUdpSocket car;
    car.writeDatagram(bytes, QHostAddress::LocalHost, kPort);
}

}  // namespace

class UdpEndpointTest : public QObject {
    Q_OBJECT

private slots:
    void aLateReadKeepsTheMomentOfArrivalAndAHeldPortIsRefused() {
        ui::QtSocketFactory sockets;
        const auto endpoint = sockets.create();
        QVERIFY(endpoint->open(kPort, "127.0.0.1", 7092));
        QVERIFY(!sockets.create()->open(kPort, "127.0.0.1", 7092));

        struct Seen {
            std::string bytes;
            std::string from;
            Clock::time_point arrived;
        };
        std::vector<Seen> seen;
        endpoint->setReceiver([&seen](const std::string& d, const std::string& from, Clock::time_point at) {
            seen.push_back({d, from, at});
        });
        const Clock::time_point sent = Clock::now();
        sendFromCar("001hello");
        // The user-interface thread is busy for 40 ms before it reads.
        QThread::msleep(40);
        const Clock::time_point read = Clock::now();
        endpoint->deliverPending();
        QCOMPARE(seen.size(), std::size_t{1});
        QCOMPARE(seen[0].bytes, std::string("001hello"));
        QCOMPARE(seen[0].from, std::string("127.0.0.1"));
#ifdef __linux__
        // The kernel's stamp, taken when the datagram came in, not the moment of the read. How
        // long before the read depends on how soon a loaded machine's kernel queues a loopback
        // datagram, so only the order is asserted; the counters show which moment was taken.
        QVERIFY(seen[0].arrived >= sent - std::chrono::milliseconds(1));
        QVERIFY(seen[0].arrived < read);
        QCOMPARE(sockets.arrivalsStamped(), std::uint64_t{1});
        QCOMPARE(sockets.arrivalFallbacks(), std::uint64_t{0});
#endif

        // A receiver that closes its own socket ends the batch; what is left is not read.
        endpoint->setReceiver(
            [&endpoint, &seen](const std::string& d, const std::string&, Clock::time_point at) {
                seen.push_back({d, {}, at});
                endpoint->close();
            });
        sendFromCar("002");
        sendFromCar("003");
        QTRY_COMPARE(seen.size(), std::size_t{2});
        QTest::qWait(50);
        QCOMPARE(seen.size(), std::size_t{2});
        QVERIFY(sockets.create()->open(kPort, "127.0.0.1", 7092));
    }
};

QTEST_GUILESS_MAIN(UdpEndpointTest)
#include "udp_endpoint_test.moc"
