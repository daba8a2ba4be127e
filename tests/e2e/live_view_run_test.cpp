// A run against the car simulator with the live view on: a page's stream (read as a phone's
// browser reads it, over 127.0.0.1) carries each lap's time text within a second of the car's
// report, and the end when the view is turned off.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <httplib.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "carsim/car_engine.h"
#include "rig/host_rig.h"
#include "ui/live_view_window.h"

using namespace rennik;
using Clock = std::chrono::steady_clock;

class LiveViewRunTest : public QObject {
    Q_OBJECT

private slots:
    void eachLapReachesThePageWithinASecondAndTheEndWhenTurnedOff() {
        e2e::HostRig rig;
        rig.enterAddress("127.0.0.1");
        rig.window.findChild<QPushButton*>(QStringLiteral("Btn_Live"))->click();
        auto* view = rig.window.findChild<ui::LiveViewWindow*>();
        QVERIFY(view != nullptr);
        auto* where = view->findChild<QComboBox*>(QStringLiteral("LiveAddress"));
        where->setCurrentIndex(where->findData(QStringLiteral("127.0.0.1")));
        view->findChild<QPushButton*>(QStringLiteral("LiveToggle"))->click();
        QVERIFY2(view->on(), "the view did not start");
        const QUrl url(view->address());
        QCOMPARE(url.host(), QStringLiteral("127.0.0.1"));

        // The page's stream, read beside the program: each event with its moment.
        std::mutex mutex;
        std::vector<std::pair<Clock::time_point, std::string>> events;
        std::thread reader([&] {
            httplib::Client c("127.0.0.1", url.port());
            c.set_read_timeout(std::chrono::seconds(60));
            std::string pending;
            c.Get((url.path() + QStringLiteral("events")).toStdString(), [&](const char* d, std::size_t n) {
                pending.append(d, n);
                for (std::size_t end; (end = pending.find("\n\n")) != std::string::npos;) {
                    std::lock_guard lock(mutex);
                    events.emplace_back(Clock::now(), pending.substr(0, end));
                    pending.erase(0, end + 2);
                }
                return true;
            });
        });

        rig.start();
        carsim::CarEngine engine(e2e::loopbackCar(1.6, 5));
        std::vector<std::pair<Clock::time_point, std::string>> laps;  // the report, the time text
        engine.onReply = [&](const carsim::ReplyEvent& e) {
            if (e.kind == carsim::ReplyKind::NewRecord) {
                const int row = rig.host.race.LapCnt[0];
                laps.emplace_back(Clock::now(), rig.host.main.car.Spd_LapTime.cell(row, LapColumn::Time));
            }
        };
        QSignalSpy finished(&engine, &carsim::CarEngine::finished);
        QVERIFY2(engine.start(), qPrintable(engine.error()));
        QVERIFY(finished.wait(60000));
        rig.stop();
        QTest::qWait(300);
        view->findChild<QPushButton*>(QStringLiteral("LiveToggle"))->click();
        QTest::qWait(1200);
        reader.join();

        QCOMPARE(laps.size(), std::size_t{5});
        std::lock_guard lock(mutex);
        for (const auto& [reported, time] : laps) {
            // The time text as the page's JSON carries it: its double quote escaped.
            std::string quoted = time;
            quoted.insert(quoted.find('"'), "\\");
            const auto seen = std::find_if(events.begin(), events.end(), [&](const auto& e) {
                return e.second.find(quoted) != std::string::npos;
            });
            QVERIFY2(seen != events.end(), time.c_str());
            QVERIFY2(seen->first - reported < std::chrono::seconds(1), time.c_str());
        }
        QVERIFY(events.back().second.rfind("event: end", 0) == 0);
    }
};

QTEST_MAIN(LiveViewRunTest)
#include "live_view_run_test.moc"
