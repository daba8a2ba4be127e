// The live page in a real browser: Debian's Chromium, headless in a phone's window, opens the
// page of a host timing the car simulator over 127.0.0.1 (tests/web/live_page.mjs drives it).
// Each lap's time text must show on the page within a second of the car's report, and the page
// must say the view has ended when the crew turns it off. Skips, saying why, where Chromium,
// Node.js or the test's playwright-core (npm ci in tests/web) is not installed.
#include <QComboBox>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <map>

#include "carsim/car_engine.h"
#include "rig/host_rig.h"
#include "ui/live_view_window.h"

using namespace rennik;

namespace {

std::int64_t msSinceEpoch() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

class LivePageChromiumTest : public QObject {
    Q_OBJECT

private slots:
    void eachLapShowsOnThePhoneWithinASecondAndTheEndWhenTurnedOff() {
        const QString web = QStringLiteral(RENNIK_WEB_TEST_DIR);
        if (!QFileInfo::exists(QStringLiteral("/usr/bin/chromium"))) {
            QSKIP("Chromium is not installed (Debian's package chromium)");
        }
        if (QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty()) {
            QSKIP("Node.js is not installed");
        }
        if (!QFileInfo::exists(web + QStringLiteral("/node_modules/playwright-core"))) {
            QSKIP("playwright-core is not installed: npm ci in tests/web");
        }

        e2e::HostRig rig;
        rig.enterAddress("127.0.0.1");
        rig.window.findChild<QPushButton*>(QStringLiteral("Btn_Live"))->click();
        auto* view = rig.window.findChild<ui::LiveViewWindow*>();
        auto* where = view->findChild<QComboBox*>(QStringLiteral("LiveAddress"));
        where->setCurrentIndex(where->findData(QStringLiteral("127.0.0.1")));
        view->findChild<QPushButton*>(QStringLiteral("LiveToggle"))->click();
        QVERIFY2(view->on(), "the view did not start");

        QProcess browser;
        browser.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // RENNIK_LIVE_LAPS=N drives a longer run (5 laps unless told), for the delay's percentiles.
        const int carLaps = std::max(5, qEnvironmentVariableIntValue("RENNIK_LIVE_LAPS"));
        QStringList arguments{web + QStringLiteral("/live_page.mjs"), view->address(),
                              QString::number(120 + 2 * carLaps)};
        if (const QString picture = qEnvironmentVariable("RENNIK_LIVE_PICTURE"); !picture.isEmpty()) {
            arguments << picture << QStringLiteral("4");
        }
        browser.start(QStringLiteral("node"), arguments);
        QVERIFY(browser.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(browser.canReadLine() || browser.state() != QProcess::Running, 30000);
        QCOMPARE(browser.readLine().trimmed(), QByteArray("opened"));

        rig.window.run([&rig] { rig.host.main.car.Cmb_Driver.setText("山田"); });
        rig.start();
        carsim::CarEngine engine(e2e::loopbackCar(1.6, carLaps));
        // Each lap: when the car sent the report that closed it, its row and its time text.
        struct Lap {
            std::int64_t reported;
            int row;
            QString time;
        };
        std::vector<Lap> laps;
        engine.onReply = [&](const carsim::ReplyEvent& e) {
            if (e.kind == carsim::ReplyKind::NewRecord) {
                const int row = rig.host.race.LapCnt[0];
                laps.push_back({msSinceEpoch() - static_cast<std::int64_t>(e.latencyMs.value_or(0.0)), row,
                                QString::fromStdString(rig.host.main.car.Spd_LapTime.cell(row, LapColumn::Time))});
            }
        };
        QSignalSpy finished(&engine, &carsim::CarEngine::finished);
        QVERIFY2(engine.start(), qPrintable(engine.error()));
        QVERIFY(finished.wait(60000 + 2000 * carLaps));
        rig.stop();
        QTest::qWait(500);
        const std::int64_t turnedOff = msSinceEpoch();
        view->findChild<QPushButton*>(QStringLiteral("LiveToggle"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(browser.state() == QProcess::NotRunning, 30000);
        QCOMPARE(browser.exitCode(), 0);

        // What the page showed: lap by lap, when and with which time text.
        std::map<int, std::pair<std::int64_t, QString>> seen;
        std::int64_t ended = 0;
        for (const QByteArray& line : browser.readAll().split('\n')) {
            const QList<QByteArray> words = line.split(' ');
            if (words.size() >= 4 && words[0] == "seen") {
                seen.try_emplace(words[2].toInt(), words[1].toLongLong(), QString::fromUtf8(words.mid(3).join(' ')));
            } else if (words.size() == 2 && words[0] == "ended") {
                ended = words[1].toLongLong();
            }
        }
        QCOMPARE(laps.size(), static_cast<std::size_t>(carLaps));
        std::vector<std::int64_t> delays;
        for (const Lap& lap : laps) {
            const auto it = seen.find(lap.row);
            QVERIFY2(it != seen.end(), qPrintable(QStringLiteral("lap %1 never showed").arg(lap.row)));
            QCOMPARE(it->second.second, lap.time);
            const std::int64_t delay = it->second.first - lap.reported;
            QVERIFY2(delay < 1000, qPrintable(QStringLiteral("lap %1 showed %2 ms after the report").arg(lap.row).arg(delay)));
            qInfo("lap %d %s: on the page %lld ms after the car's report", lap.row, qPrintable(lap.time),
                  static_cast<long long>(delay));
            delays.push_back(delay);
        }
        std::sort(delays.begin(), delays.end());
        qInfo("from the car's report to the page over %zu laps: p50 %lld ms, p99 %lld ms, max %lld ms", delays.size(),
              static_cast<long long>(delays[(delays.size() - 1) / 2]),
              static_cast<long long>(delays[delays.size() - 1 - delays.size() / 100]),
              static_cast<long long>(delays.back()));
        QVERIFY(ended != 0);
        QVERIFY2(ended - turnedOff < 1000, qPrintable(QStringLiteral("the end showed after %1 ms").arg(ended - turnedOff)));
    }
};

QTEST_MAIN(LivePageChromiumTest)
#include "live_page_chromium_test.moc"
