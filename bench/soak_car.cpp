#include "soak_car.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

#include "base/sjis.h"
#include "carlink/wire_format.h"
#include "carsim/reply.h"

namespace rennik::bench {
namespace {

using Clock = std::chrono::steady_clock;

Clock::duration ms(double value) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(value));
}

// After the last report, the replies still on their way are waited for this long.
constexpr auto kGrace = std::chrono::milliseconds(300);

// Blocking calls only: the car's thread has no event loop of its own.
class Car {
public:
    Car(const SoakCarPlan& plan, SoakCarSummary& out) : plan_(plan), out_(out) {}

    void run() {
        const QString error = bind();
        if (!error.isEmpty()) {
            out_.error = error;
            return;
        }
        const Clock::time_point start = Clock::now();
        Clock::time_point lastSent = start;
        for (int lap = 0; lap < plan_.laps; ++lap) {
            Clock::time_point due = start + ms(lap * plan_.lapMs);
            const Clock::time_point earliest = lastSent + ms(1.5 * plan_.silenceMs);
            if (lap > 0 && due < earliest) {
                due = earliest;
                ++out_.heldBack;
            }
            waitUntil(due);
            const Clock::time_point first = send();
            lastSent = first;
            ++out_.laps;
            for (int r = 1; r < plan_.reportsPerContact; ++r) {
                waitUntil(first + ms(r * plan_.repeatGapMs));
                // Checked just before the send: the kernel stamps the report as it goes.
                if (Clock::now() - lastSent > ms(0.5 * plan_.silenceMs)) {
                    out_.repeatsDropped += plan_.reportsPerContact - r;
                    break;
                }
                lastSent = send();
            }
        }
        waitUntil(Clock::now() + kGrace);
    }

private:
    QString bind() {
        socket_ = std::make_unique<QUdpSocket>();
        if (!socket_->bind(QHostAddress(QHostAddress::LocalHost), static_cast<quint16>(wire::carRemotePort(0)),
                           QAbstractSocket::DontShareAddress)) {
            return QStringLiteral("cannot bind UDP port %1: %2")
                .arg(wire::carRemotePort(0))
                .arg(socket_->errorString());
        }
        return {};
    }

    Clock::time_point send() {
        const std::string bytes = sjis::fromUtf8(lapField_ + plan_.message);
        const Clock::time_point at = Clock::now();
        socket_->writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()), QHostAddress(QHostAddress::LocalHost),
                               static_cast<quint16>(wire::carLocalPort(0)));
        ++out_.reports;
        return at;
    }

    // Reads the replies that come in until `until`.
    void waitUntil(Clock::time_point until) {
        for (;;) {
            readReplies();
            const auto left = until - Clock::now();
            if (left <= Clock::duration::zero()) {
                return;
            }
            const int waitMs = static_cast<int>(std::ceil(std::chrono::duration<double, std::milli>(left).count()));
            if (!socket_->waitForReadyRead(waitMs)) {
                std::this_thread::sleep_until(std::min(until, Clock::now() + std::chrono::milliseconds(1)));
            }
        }
    }

    void readReplies() {
        while (socket_->hasPendingDatagrams()) {
            const QByteArray data = socket_->receiveDatagram().data();
            ++out_.replies;
            const carsim::DecodedReply reply =
                carsim::decodeReply(sjis::toUtf8(std::string(data.constData(), static_cast<std::size_t>(data.size()))));
            if (!reply.record) {
                continue;
            }
            lapField_ = reply.record->lapField;
            if (reply.record->body != lastBody_) {
                lastBody_ = reply.record->body;
                out_.told.push_back({reply.record->lapNumber, reply.record->lastLapMs});
            }
        }
    }

    const SoakCarPlan& plan_;
    SoakCarSummary& out_;
    std::unique_ptr<QUdpSocket> socket_;
    std::string lapField_ = "000";
    std::string lastBody_;
};

}  // namespace

SoakCarSummary driveSoakCar(const SoakCarPlan& plan) {
    SoakCarSummary out;
    QEventLoop loop;
    std::thread car([&plan, &out, &loop] {
        Car(plan, out).run();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    car.join();
    return out;
}

}  // namespace rennik::bench
