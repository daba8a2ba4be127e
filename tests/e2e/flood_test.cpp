// Floods on the car's port during a run, as a radio link or a faulty program at the track can
// bring them: the longest datagrams UDP carries (65,507 bytes) from the car PC's own address,
// then, while the car drives its laps, the longest ones from another address and one-byte
// noise from the car's. The host must keep its lap display ticking (never 300 ms without a
// tick), cut and count what is too long, and time the car's laps at their reports.
#include <QSignalSpy>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "carlink/wire_format.h"
#include "carsim/car_engine.h"
#include "rig/host_rig.h"

using namespace rennik;
using carsim::Clock;

namespace {

constexpr int kLongest = 65507;

// The longest gap between two ticks of the lap display, taken from its own timer.
class TickGaps {
public:
    explicit TickGaps(QObject* window) {
        for (QTimer* t : window->findChildren<QTimer*>(QStringLiteral("Time_Lap(0)"))) {
            QObject::connect(t, &QTimer::timeout, t, [this] { onTick(); });
        }
    }
    void restart() {
        longest_ = 0;
        last_ = {};
        ticks_ = 0;
    }
    double longestMs() const { return longest_; }
    int ticks() const { return ticks_; }

private:
    void onTick() {
        const Clock::time_point now = Clock::now();
        if (last_ != Clock::time_point{}) {
            longest_ = std::max(longest_, std::chrono::duration<double, std::milli>(now - last_).count());
        }
        last_ = now;
        ++ticks_;
    }
    Clock::time_point last_{};
    double longest_ = 0;
    int ticks_ = 0;
};

// Sends from its own thread, so the host's event loop sees the flood as it would come from
// the network: `count` datagrams (or until stopped) from `from`, each made by `make`, with
// `pause` after each (none: a burst as fast as the sender goes).
class Flooder {
public:
    Flooder(QHostAddress from, std::function<QByteArray(int)> make, int count, std::chrono::microseconds pause)
        : thread_([this, from, make = std::move(make), count, pause] {
              QUdpSocket socket;
              if (!socket.bind(from, 0)) {
                  return;
              }
              for (int i = 0; i < count && !stop_; ++i) {
                  const QByteArray bytes = make(i);
                  if (socket.writeDatagram(bytes, QHostAddress::LocalHost, 7011) == bytes.size()) {
                      ++sent_;
                  }
                  if (pause.count() > 0) {
                      std::this_thread::sleep_for(pause);
                  }
              }
              done_ = true;
          }) {}
    ~Flooder() { stop(); }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    bool done() const { return done_; }
    int sent() const { return sent_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<int> sent_{0};
    std::thread thread_;
};

// A report of `lap` followed by Shift-JIS "あ" (0x82 0xA0) over and over up to the longest
// datagram, so that any cut through a character would show.
QByteArray longReport(const char* lap) {
    QByteArray bytes(lap);
    while (bytes.size() + 2 <= kLongest) {
        bytes.append("\x82\xa0", 2);
    }
    return bytes;
}

}  // namespace

class FloodTest : public QObject {
    Q_OBJECT

private slots:
    void keepsTheLapDisplayTickingAndTheLaps() {
        constexpr int kLaps = 4;
        e2e::HostRig rig;
        CarPanel& car = rig.host.main.car;
        RaceState& race = rig.host.race;
        rig.enterAddress("127.0.0.1");
        TickGaps gaps(&rig.window);
        rig.start();

        // 1,000 of the longest datagrams from the car PC's address in a quarter of a second, while
        // no lap is open: each is a repeat of lap 0, cut to the longest report and counted.
        {
            const QByteArray report = longReport("000");
            Flooder flood(QHostAddress::LocalHost, [&](int) { return report; }, 1000, std::chrono::microseconds(250));
            QTRY_VERIFY_WITH_TIMEOUT(flood.done(), 20000);
            QCOMPARE(flood.sent(), 1000);
            QTest::qWait(200);
        }
        const int cut = race.LongReports[0];
        qInfo("longest datagrams from the car: %d of 1000 taken and cut (the rest dropped by the socket), "
              "longest lap display gap %.1f ms over %d ticks",
              cut, gaps.longestMs(), gaps.ticks());
        QVERIFY(gaps.ticks() > 0);
        QVERIFY2(gaps.longestMs() < 300.0, qPrintable(QString::number(gaps.longestMs())));
        QCOMPARE(race.LapCnt[0], 0);
        QCOMPARE(car.Spd_LapTime.rowCount(), 0);
        // The message is what fits the longest report, whole characters only: 126 of "あ".
        QCOMPARE(car.Lbl_InMess.caption().size(), std::string("あ").size() * 126);
        QVERIFY(car.Lbl_IP.toolTip().find("長すぎる受信 " + std::to_string(cut) + " 件") != std::string::npos);

        // The car drives its laps through a flood from another address (the longest datagrams,
        // 200 a second) and one-byte noise from its own (about 2,000 a second). Paced so that the
        // car's reports still find room in the socket's buffer: a flood beyond what the host
        // reads is dropped by the system, the car's reports with it, whatever the host does.
        gaps.restart();
        const QByteArray strangers = longReport("001");
        Flooder foreign(QHostAddress(QStringLiteral("127.0.0.2")), [&](int) { return strangers; }, 1 << 30,
                        std::chrono::microseconds(5000));
        Flooder noise(QHostAddress::LocalHost, [](int i) { return QByteArray(1, static_cast<char>(i)); }, 1 << 30,
                      std::chrono::microseconds(500));
        carsim::CarEngine engine(e2e::loopbackCar(1.5, kLaps));
        QSignalSpy finished(&engine, &carsim::CarEngine::finished);
        QVERIFY2(engine.start(), qPrintable(engine.error()));
        QVERIFY(finished.wait(60000));
        foreign.stop();
        noise.stop();
        qInfo("during the laps: %d datagrams from another address, %d of noise; longest lap display gap "
              "%.1f ms over %d ticks",
              foreign.sent(), noise.sent(), gaps.longestMs(), gaps.ticks());
        QVERIFY(gaps.ticks() > 0);
        QVERIFY2(gaps.longestMs() < 300.0, qPrintable(QString::number(gaps.longestMs())));
        QVERIFY(race.ForeignDatagrams[0] > 0);
        QCOMPARE(race.LongReports[0], cut);

        const carsim::CarSummary& s = engine.summary();
        QCOMPARE(s.windowStarts.size(), std::size_t{kLaps + 1});
        QCOMPARE(race.LapCnt[0], kLaps);
        double worst = 0;
        for (int lap = 2; lap <= kLaps; ++lap) {
            const double own = e2e::msBetween(s.windowStarts[lap - 1], s.windowStarts[lap]);
            worst = std::max(worst, std::fabs(rig.lapTicks(lap) - own));
        }
        qInfo("laps 2 to %d timed within %.3f ms of the car's own measure", kLaps, worst);
        QVERIFY2(worst <= 3.0, qPrintable(QString::number(worst)));
        QCOMPARE(s.newRecords, kLaps);
        rig.stop();
    }
};

QTEST_MAIN(FloodTest)
#include "flood_test.moc"
