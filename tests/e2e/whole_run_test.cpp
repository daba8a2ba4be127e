// A whole run over loopback UDP: the real main window, race clock, sockets and event loop of
// the host, and the car PC simulator's engine in the same event loop. Ports 7001/7002 and
// 7011/7012 on 127.0.0.1; nothing is ever sent to another address.
#include <QSignalSpy>
#include <QtTest>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "carlink/address_setup.h"
#include "carsim/address_query.h"
#include "carsim/car_engine.h"
#include "rig/host_rig.h"

using namespace rennik;
using carsim::Clock;

namespace {

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Asks the host which car an address is entered for; "" when no answer comes.
QString whichCar(carsim::AddressQuery& query, const std::string& address) {
    QSignalSpy answers(&query, &carsim::AddressQuery::answered);
    if (!query.ask(address) || !answers.wait(5000)) {
        return {};
    }
    return answers.takeFirst().at(0).toString();
}

}  // namespace

class WholeRunTest : public QObject {
    Q_OBJECT

private slots:
    void lapsRepeatsMessagesAndTheAddressCheck() {
        e2e::HostRig rig;
        CarPanel& car = rig.host.main.car;
        rig.enterAddress("127.0.0.1");
        QCOMPARE(car.Lbl_IP.caption(), std::string("127.0.0.1"));
        const Clock::time_point started = Clock::now();
        rig.start();
        QVERIFY2(rig.dialogs.boxes.empty(),
                 rig.dialogs.boxes.empty() ? "" : rig.dialogs.boxes[0].text.c_str());
        QCOMPARE(rig.host.main.Btn_Start.caption(), std::string("Stop"));

        carsim::CarPlan plan;
        plan.bindAddress = QHostAddress(QHostAddress::LocalHost);
        plan.interval = 0.05;
        plan.contact = 0.3;
        plan.lap = 1.6;
        plan.laps = 5;
        plan.message = "了解です";
        carsim::CarEngine engine(plan);
        std::vector<carsim::ReplyEvent> replies;
        // The crew types a message once lap 1 is recorded, while the car is still in contact.
        engine.onReply = [&](const carsim::ReplyEvent& e) {
            replies.push_back(e);
            if (e.kind == carsim::ReplyKind::NewRecord && e.reply.record->lapNumber == 1) {
                rig.window.run([&car] { car.Txt_OutMess.setText("BOX 3"); });
            }
        };
        QSignalSpy finished(&engine, &carsim::CarEngine::finished);
        QVERIFY2(engine.start(), qPrintable(engine.error()));
        QVERIFY(finished.wait(30000));

        // Six contact windows: the first before any lap, then one closing each of five laps.
        const carsim::CarSummary& s = engine.summary();
        QCOMPARE(s.windowStarts.size(), std::size_t{6});
        QCOMPARE(s.newRecords, 5);
        QCOMPARE(s.replies, s.reports);
        QCOMPARE(s.baselines, 0);  // a fresh host has no record before the first lap
        QCOMPARE(s.noRecord + s.repeats + s.newRecords, s.replies);
        QVERIFY(car.Spd_LapTime.rowCount() >= 5);
        for (int lap = 1; lap <= 5; ++lap) {
            // Lap 1 is timed from Start, the others from the report that closed the lap before.
            const Clock::time_point from = lap == 1 ? started : s.windowStarts[lap - 1];
            const double own = msBetween(from, s.windowStarts[lap]);
            const int ticks = std::stoi(car.Spd_LapTime.cell(lap, 4));
            QVERIFY2(
                std::fabs(ticks - own) <= 20.0,
                qPrintable(QStringLiteral("lap %1: host %2 ms, car %3 ms").arg(lap).arg(ticks).arg(own)));
            const carsim::LapComparison& seen = s.laps[lap - 1];
            QCOMPARE(seen.hostLap, std::optional<int>(lap));
            QCOMPARE(seen.hostMs, std::optional<std::int64_t>(ticks));
            QCOMPARE(car.Spd_LapTime.cell(lap, 5), std::string(", 了解です"));
        }
        QCOMPARE(car.Lbl_InMess.caption(), std::string("了解です"));

        // Every reply: the mark, the record of the lap closed in its window (repeated unchanged
        // until the next lap), then the message. Before the first lap there is no record yet.
        bool typed = false;
        for (std::size_t i = 0; i < replies.size(); ++i) {
            const carsim::ReplyEvent& e = replies[i];
            const carsim::DecodedReply& r = e.reply;
            QCOMPARE(r.mark, std::string("N"));
            if (e.window == 0) {
                QCOMPARE(r.text, std::string("N"));
                continue;
            }
            QVERIFY(r.record.has_value());
            QCOMPARE(r.record->lapNumber, e.window);
            const bool first = replies[i - 1].window != e.window;
            QCOMPARE(e.kind, first ? carsim::ReplyKind::NewRecord : carsim::ReplyKind::Repeat);
            // The typed message goes out with the repeats of lap 1 and is gone once lap 2 opens.
            const std::string message = e.window == 1 && !first ? "ＢＯＸ　３" : "";
            typed = typed || !message.empty();
            QCOMPARE(r.text, "N" + r.record->body + message);
        }
        QVERIFY(typed);

        rig.stop();
        QCOMPARE(rig.dialogs.boxes.back().text, std::string("ストップしますか？"));
        QCOMPARE(rig.host.main.Btn_Start.caption(), std::string("Start"));

        // Between runs the address check answers again; once slot 0 holds another address, the
        // car's own address is no longer registered.
        carsim::AddressQuery query(QStringLiteral("127.0.0.1"), QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(whichCar(query, "127.0.0.1"), QStringLiteral("１号車"));
        rig.enterAddress("127.0.0.2");
        QCOMPARE(car.Lbl_IP.caption(), std::string("127.0.0.2"));
        QCOMPARE(whichCar(query, "127.0.0.1"), QStringLiteral("未登録"));
    }
};

QTEST_MAIN(WholeRunTest)
#include "whole_run_test.moc"
