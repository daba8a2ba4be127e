// The simulated car against a scripted host on 127.0.0.1 port 7011: what it sends, what it
// echoes, and how it counts replies and laps.
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#include <algorithm>
#include <string>
#include <vector>

#include "base/sjis.h"
#include "carsim/car_engine.h"

using namespace rennik;

namespace {

// A reply with a lap record: the mark, lap, last lap, driver best and average, date, clock, end.
std::string withRecord(const char* mark, int lap, int lastLapMs, const char* message) {
    char reply[128];
    std::snprintf(reply, sizeof reply, "%s%03d%010d%010d%010d2024/05/1209:30:0500:00:00%s", mark, lap,
                  lastLapMs, 149000, 150500, message);
    return reply;
}

// Three reports per contact window (at 0, 100 and 200 ms of 250, laps of 750); the host answers by window:
// first a bare mark with a message that starts with digits, then a record with its repeats, then
// a corrected record ("C") and its repeat, and in the last window nothing at all.
std::string scriptedReply(std::size_t report) {
    const std::size_t window = report / 3;
    const bool first = report % 3 == 0;
    switch (window) {
        case 0:
            return "N123 ピット";
        case 1:
            return withRecord("N", 1, 150, "BOX");
        case 2:
            return withRecord(first ? "C" : "N", 2, 151, "");
        default:
            return {};
    }
}

}  // namespace

class CarsimEngineTest : public QObject {
    Q_OBJECT

private slots:
    void echoesTheLapOfTheLastRecordAndCountsWhatComesBack() {
        QUdpSocket host;
        QVERIFY(host.bind(QHostAddress::LocalHost, 7011, QAbstractSocket::DontShareAddress));
        std::vector<std::string> reports;
        connect(&host, &QUdpSocket::readyRead, &host, [&] {
            while (host.hasPendingDatagrams()) {
                const QByteArray d = host.receiveDatagram().data();
                reports.push_back(
                    sjis::toUtf8(std::string(d.constData(), static_cast<std::size_t>(d.size()))));
                const std::string reply = sjis::fromUtf8(scriptedReply(reports.size() - 1));
                if (!reply.empty()) {
                    host.writeDatagram(reply.data(), static_cast<qint64>(reply.size()),
                                       QHostAddress::LocalHost, 7012);
                }
            }
        });

        carsim::CarPlan plan;
        plan.bindAddress = QHostAddress(QHostAddress::LocalHost);
        plan.interval = 0.1;
        plan.contact = 0.25;
        plan.lap = 0.75;
        plan.laps = 3;
        plan.message = "了解";
        carsim::CarEngine car(plan);
        std::vector<std::string> echoes;  // the lap field the car will send, after each reply
        car.onReply = [&](const carsim::ReplyEvent&) { echoes.push_back(car.lapField()); };
        QSignalSpy finished(&car, &carsim::CarEngine::finished);
        QVERIFY2(car.start(), qPrintable(car.error()));
        // A second car on the same port is refused instead of sharing the replies.
        carsim::CarEngine twin(plan);
        QVERIFY(!twin.start());
        QVERIFY(twin.error().contains(QStringLiteral("7012")));
        QVERIFY(finished.wait(10000));

        // A bare mark, even one whose message starts with digits, never changes the echoed lap;
        // a record does at once.
        const std::vector<std::string> expectedEchoes = {"000", "000", "000", "001", "001",
                                                         "001", "002", "002", "002"};
        QCOMPARE(echoes, expectedEchoes);

        // Three laps: four contact windows. A report carries the echo of every reply before it,
        // or, when a slow reply is still on its way within the window, an earlier one; each
        // window opens after a long silence, by when every reply has been handled.
        const std::vector<std::vector<std::string>> allowed = {
            {"000"}, {"000"},        {"000"},        {"000"}, {"000", "001"}, {"000", "001"},
            {"001"}, {"001", "002"}, {"001", "002"}, {"002"}, {"002"},        {"002"}};
        QCOMPARE(reports.size(), allowed.size());
        for (std::size_t i = 0; i < reports.size(); ++i) {
            const std::string lap = reports[i].substr(0, 3);
            QVERIFY2(std::find(allowed[i].begin(), allowed[i].end(), lap) != allowed[i].end(),
                     reports[i].c_str());
            QCOMPARE(reports[i].substr(3), std::string("了解"));
            QVERIFY(i == 0 || reports[i - 1].substr(0, 3) <= lap);  // an echo never goes back
        }

        const carsim::CarSummary& s = car.summary();
        QCOMPARE(s.windowStarts.size(), std::size_t{4});
        QCOMPARE(s.ownLapMs.size(), std::size_t{3});
        QCOMPARE(s.reports, 12);
        QCOMPARE(s.replies, 9);
        QCOMPARE(s.noRecord, 3);
        QCOMPARE(s.newRecords, 2);  // "C" and "N" with the same record: one record, one repeat
        QCOMPARE(s.repeats, 4);
        QCOMPARE(s.latencyMs.size(), std::size_t{9});
        QCOMPARE(s.laps.size(), std::size_t{3});
        QCOMPARE(s.laps[0].hostLap, std::optional<int>(1));
        QCOMPARE(s.laps[0].hostMs, std::optional<std::int64_t>(150));
        QCOMPARE(s.laps[1].hostMs, std::optional<std::int64_t>(151));
        // The host that stays silent leaves the last lap without its figures.
        QCOMPARE(s.laps[2].hostLap, std::optional<int>());
        QCOMPARE(s.laps[2].hostMs, std::optional<std::int64_t>());
        QCOMPARE(car.lapField(), std::string("002"));
    }
};

QTEST_GUILESS_MAIN(CarsimEngineTest)
#include "carsim_engine_test.moc"
