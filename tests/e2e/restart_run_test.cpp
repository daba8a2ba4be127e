// Stop and Start again while the car is in contact and goes on reporting: the new run's first
// lap is a whole lap from its own Start, numbered 1, and the reports that go on across the
// Start close no short lap. Loopback UDP on 127.0.0.1 only.
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <string>
#include <vector>

#include "carsim/car_engine.h"
#include "rig/host_rig.h"

using namespace rennik;
using carsim::Clock;

class RestartRunTest : public QObject {
    Q_OBJECT

private slots:
    void theFirstLapAfterARestartIsTimedFromTheNewStart() {
        e2e::HostRig rig;
        CarPanel& car = rig.host.main.car;
        rig.enterAddress("127.0.0.1");
        const Clock::time_point firstStart = Clock::now();
        rig.start();

        // Seven contact windows. The first reply of window 3 (lap 3 recorded) is answered with
        // Stop and Start at once; the car reports on through the rest of that window.
        carsim::CarEngine engine(e2e::loopbackCar(1.5, 6));
        Clock::time_point secondStart{};
        std::vector<int> firstRun;  // the first run's rows at its Stop
        std::vector<carsim::ReplyEvent> afterRestart;
        engine.onReply = [&](const carsim::ReplyEvent& e) {
            if (e.window == 3 && firstRun.empty()) {
                for (int row = 1; row <= car.Spd_LapTime.rowCount(); ++row) {
                    firstRun.push_back(rig.lapTicks(row));
                }
                rig.stop();
                secondStart = Clock::now();
                rig.start();
            } else if (!firstRun.empty()) {
                afterRestart.push_back(e);
            }
        };
        QSignalSpy finished(&engine, &carsim::CarEngine::finished);
        QVERIFY2(engine.start(), qPrintable(engine.error()));
        QVERIFY(finished.wait(60000));
        QCOMPARE(rig.host.main.Btn_Start.caption(), std::string("Stop"));

        const carsim::CarSummary& s = engine.summary();
        QCOMPARE(s.windowStarts.size(), std::size_t{7});
        QCOMPARE(firstRun.size(), std::size_t{3});
        for (int lap = 1; lap <= 3; ++lap) {
            const double own =
                e2e::msBetween(lap == 1 ? firstStart : s.windowStarts[lap - 1], s.windowStarts[lap]);
            QVERIFY2(std::fabs(firstRun[lap - 1] - own) <= 20.0,
                     qPrintable(QStringLiteral("first run, lap %1").arg(lap)));
        }

        // The second run: windows 4, 5 and 6 close its laps 1 to 3, the first from its Start.
        QCOMPARE(rig.host.race.LapCnt[0], 3);
        QCOMPARE(car.Spd_LapTime.rowCount(), 3);
        for (int lap = 1; lap <= 3; ++lap) {
            const Clock::time_point from = lap == 1 ? secondStart : s.windowStarts[lap + 2];
            const double own = e2e::msBetween(from, s.windowStarts[lap + 3]);
            const int ticks = rig.lapTicks(lap);
            QVERIFY2(std::fabs(ticks - own) <= 20.0,
                     qPrintable(QStringLiteral("second run, lap %1: host %2 ms, car %3 ms")
                                    .arg(lap)
                                    .arg(ticks)
                                    .arg(own)));
            QVERIFY(ticks >= 1000);  // never a short lap out of the reports across the Start
            QCOMPARE(s.laps[lap + 2].hostLap, std::optional<int>(lap));
            QCOMPARE(s.laps[lap + 2].hostMs, std::optional<std::int64_t>(ticks));
        }

        // The reports that went on in window 3 after the Start were answered without a new lap.
        int window3 = 0;
        for (const carsim::ReplyEvent& e : afterRestart) {
            if (e.window == 3) {
                ++window3;
                QVERIFY(e.kind != carsim::ReplyKind::NewRecord);
            }
        }
        QVERIFY(window3 >= 3);
        rig.stop();
    }
};

QTEST_MAIN(RestartRunTest)
#include "restart_run_test.moc"
