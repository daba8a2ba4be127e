// A practice run against the car simulator with two drivers, the lap chart and the stint table
// open from the first lap: both follow every lap as it comes, and at the end the chart holds one
// point per timed lap, in one line per stint, and the stint table one row per stint and driver.
// Loopback UDP on 127.0.0.1 only.
#include <QLegendMarker>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtTest>

#include "carlink/lap_table.h"
#include "carsim/car_engine.h"
#include "drivers/driver_choice.h"
#include "rig/host_rig.h"
#include "ui/lap_chart_window.h"
#include "ui/stint_window.h"

using namespace rennik;

namespace {

int timedRows(const Grid& laps) {
    int n = 0;
    for (int r = 1; r <= laps.rowCount(); ++r) {
        n += RowLapTicks(laps, r) ? 1 : 0;
    }
    return n;
}

void chooseDriver(e2e::HostRig& rig, const char* name) {
    rig.window.run([&rig, name] {
        rig.host.main.car.Cmb_Driver.setText(name);
        Cmb_Driver_Click(rig.host, 0);
    });
}

}  // namespace

class LapChartRunTest : public QObject {
    Q_OBJECT

private slots:
    void theChartAndTheStintTableFollowAPracticeWithTwoDrivers() {
        e2e::HostRig rig;
        const Grid& laps = rig.host.main.car.Spd_LapTime;
        rig.enterAddress("127.0.0.1");
        chooseDriver(rig, "山田");
        rig.start();
        rig.window.findChild<QPushButton*>(QStringLiteral("Btn_LapChart(0)"))->click();
        rig.window.findChild<QPushButton*>(QStringLiteral("Btn_Stints(0)"))->click();
        auto* chart = rig.window.findChild<ui::LapChartWindow*>();
        auto* stints = rig.window.findChild<ui::StintWindow*>();
        QVERIFY(chart != nullptr && stints != nullptr);
        QVERIFY(chart->isVisible() && stints->isVisible());

        // Sato takes over after the third lap; the chart has every lap so far the moment the
        // lap's handler has run.
        carsim::CarEngine engine(e2e::loopbackCar(1.6, 6));
        int recorded = 0;
        int behind = 0;
        engine.onReply = [&](const carsim::ReplyEvent& e) {
            if (e.kind != carsim::ReplyKind::NewRecord) {
                return;
            }
            ++recorded;
            behind += chart->points() != timedRows(laps) ? 1 : 0;
            if (recorded == 3) {
                chooseDriver(rig, "佐藤");
            }
        };
        QSignalSpy finished(&engine, &carsim::CarEngine::finished);
        QVERIFY2(engine.start(), qPrintable(engine.error()));
        QVERIFY(finished.wait(60000));
        rig.stop();

        QCOMPARE(recorded, 6);
        QCOMPARE(behind, 0);
        QCOMPARE(timedRows(laps), 6);
        QCOMPARE(chart->points(), 6);
        // One legend entry per driver, besides the average and the best lap.
        QStringList names;
        for (QLegendMarker* marker : chart->view()->chart()->legend()->markers()) {
            if (marker->isVisible()) {
                names << marker->label();
            }
        }
        QVERIFY2(names.contains(QStringLiteral("山田")) && names.contains(QStringLiteral("佐藤")),
                 qPrintable(names.join(QLatin1Char('|'))));
        QCOMPARE(names.size(), 4);

        QCOMPARE(stints->stints()->rowCount(), 2);
        QCOMPARE(stints->stints()->item(0, 1)->text(), QStringLiteral("山田"));
        QCOMPARE(stints->stints()->item(1, 1)->text(), QStringLiteral("佐藤"));
        QCOMPARE(stints->drivers()->rowCount(), 2);

        // A time the crew corrects moves its point at once, and a hidden chart costs nothing.
        chart->hide();
        rig.window.run([&rig] { rig.host.main.car.Spd_LapTime.setCell(2, LapColumn::Ticks, ""); });
        QCOMPARE(chart->points(), 6);
        chart->show();
        QCOMPARE(chart->points(), 5);
    }
};

QTEST_MAIN(LapChartRunTest)
#include "lap_chart_run_test.moc"
