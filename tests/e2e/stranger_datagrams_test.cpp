// Datagrams from another machine than the car PC on the car's port, all through a run: well
// formed lap reports and random bytes from 127.0.0.2 (the whole of 127/8 is loopback on Linux).
// The host must drop and count them, answer none, and time the car's laps as if alone.
#include <QSignalSpy>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <cmath>
#include <random>
#include <string>

#include "carsim/car_engine.h"
#include "rig/host_rig.h"

using namespace rennik;
using carsim::Clock;

class StrangerDatagramsTest : public QObject {
    Q_OBJECT

private slots:
    void changeNoLapAndAreCounted() {
        constexpr int kLaps = 5;
        e2e::HostRig rig;
        CarPanel& car = rig.host.main.car;
        rig.enterAddress("127.0.0.1");
        const Clock::time_point started = Clock::now();
        rig.start();

        // The stranger listens on the car's port of its own address, so any reply it drew
        // would show.
        QUdpSocket stranger;
        QVERIFY2(
            stranger.bind(QHostAddress(QStringLiteral("127.0.0.2")), 7012, QAbstractSocket::DontShareAddress),
            qPrintable(stranger.errorString()));
        std::mt19937 random(3);
        int sent = 0;
        QTimer noise;
        noise.setInterval(70);
        connect(&noise, &QTimer::timeout, &stranger, [&] {
            QByteArray bytes("005hello");
            if (sent % 2 == 1) {
                bytes.resize(static_cast<qsizetype>(std::uniform_int_distribution<int>(1, 48)(random)));
                for (char& b : bytes) {
                    b = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
                }
            }
            if (stranger.writeDatagram(bytes, QHostAddress::LocalHost, 7011) == bytes.size()) {
                ++sent;
            }
        });
        noise.start();

        carsim::CarEngine engine(e2e::loopbackCar(1.5, kLaps));
        QSignalSpy finished(&engine, &carsim::CarEngine::finished);
        QVERIFY2(engine.start(), qPrintable(engine.error()));
        QVERIFY(finished.wait(60000));
        noise.stop();
        QVERIFY(sent >= 50);
        QTRY_COMPARE_WITH_TIMEOUT(rig.host.race.ForeignDatagrams[0], sent, 10000);

        // The car's laps, and nothing else: one row each, timed as the car measured them.
        const carsim::CarSummary& s = engine.summary();
        QCOMPARE(s.windowStarts.size(), std::size_t{kLaps + 1});
        QCOMPARE(rig.host.race.LapCnt[0], kLaps);
        QCOMPARE(car.Spd_LapTime.rowCount(), kLaps);
        for (int lap = 1; lap <= kLaps; ++lap) {
            const Clock::time_point from = lap == 1 ? started : s.windowStarts[lap - 1];
            const double own = e2e::msBetween(from, s.windowStarts[lap]);
            const int ticks = rig.lapTicks(lap);
            QVERIFY2(
                std::fabs(ticks - own) <= 20.0,
                qPrintable(QStringLiteral("lap %1: host %2 ms, car %3 ms").arg(lap).arg(ticks).arg(own)));
            QCOMPARE(s.laps[lap - 1].hostLap, std::optional<int>(lap));
            QCOMPARE(s.laps[lap - 1].hostMs, std::optional<std::int64_t>(ticks));
            QCOMPARE(car.Spd_LapTime.cell(lap, 5), std::string(", "));  // no stranger's "hello"
        }
        QCOMPARE(s.newRecords, kLaps);
        // One reply to each of the car's reports, none to the stranger.
        QCOMPARE(s.replies, s.reports);
        QVERIFY(!stranger.hasPendingDatagrams());
        QCOMPARE(car.Lbl_InMess.caption(), std::string());
        rig.stop();
    }
};

QTEST_MAIN(StrangerDatagramsTest)
#include "stranger_datagrams_test.moc"
