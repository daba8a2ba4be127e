#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtTest>

#include <fstream>
#include <iterator>

#include "base/sjis.h"
#include "carlink/address_setup.h"
#include "drivers/driver_choice.h"
#include "loaded_screen.h"
#include "report/result_file.h"
#include "store/run_snapshot.h"
#include "timing/run_control.h"
#include "ui/earlier_runs_dialog.h"
#include "ui/japanese_font.h"
#include "ui/lap_chart_window.h"
#include "ui/stint_window.h"

using namespace rennik;

// The earlier runs read back from the run store, looked at during the next run.
class EarlierRunsTest : public QObject {
    Q_OBJECT

    struct Pit : test::LoadedScreen {
        CarPanel& car = host.main.car;

        Pit() {
            fakes.clock.set({2024, 5, 12, 9, 30, 0});
            load();
            fakes.dialogs.typeNext("127.0.0.1");
            window.run([this] {
                Btn_ClientNoSet_Click(host, 0);
                host.main.Txt_Event.setText("富士 耐久");
            });
            driver("山田");
        }
        // A driver typed into the box takes the wheel, as the crew's leaving the box says.
        void driver(const char* name) {
            window.run([this, name] {
                car.Cmb_Driver.setText(name);
                Cmb_Driver_LostFocus(host, 0);
            });
        }
        // The car's report arriving at `tick` of the race clock, as the car link hands it over.
        void carSends(std::int32_t tick) {
            fakes.ticks.now = tick;
            QVERIFY(fakes.sockets.deliver(7011, sjis::fromUtf8("000"), "127.0.0.1",
                                          test::FakeTicks::momentOf(tick)));
        }
        void startStop() {
            fakes.dialogs.answerNext(Answer::Yes);
            window.run([this] { Btn_Start_Click(host); });
        }
        template <typename W>
        W* inDialog(const char* name) {
            auto* w = window.findChild<ui::EarlierRunsDialog*>()->findChild<W*>(QString::fromUtf8(name));
            if (w == nullptr) {
                qFatal("no control %s", name);
            }
            return w;
        }
    };

    static QStringList rowTexts(const QTableWidget* table, int row) {
        QStringList texts;
        for (int col = 0; col < table->columnCount(); ++col) {
            if (!table->isColumnHidden(col)) {
                texts << table->item(row, col)->text();
            }
        }
        return texts;
    }

private slots:
    void anEarlierRunShowsAndSavesAsItsScreenDidWhileTheCurrentRunGoesOn() {
        Pit p;
        // The first run: three laps (lap 1 timed from Start), a remark, then Stop.
        p.startStop();
        p.carSends(45000);
        p.carSends(130000);
        p.driver("佐藤");
        p.carSends(210000);
        p.window.run([&p] { p.car.Spd_LapTime.setCell(2, LapColumn::Remark, "ピットイン給油"); });
        p.startStop();
        const std::string firstResult = ResultFileBytes(p.host.main);

        // The second run goes on while the crew looks back.
        p.fakes.clock.set({2024, 5, 12, 10, 15, 0});
        p.startStop();
        p.carSends(50000);
        const auto values = store::RunValues(p.host.race, p.host.main);
        const std::uint64_t lapTable = p.car.Spd_LapTime.revision();
        const std::string currentResult = ResultFileBytes(p.host.main);
        const std::size_t boxes = p.fakes.dialogs.boxes.size();

        auto* runsButton = p.find<QPushButton>("Btn_Runs");
        QCOMPARE(runsButton->text(), QStringLiteral("過去の走行"));
        QCOMPARE(runsButton->geometry().top(), p.find<QPushButton>("Btn_Write")->geometry().top());
        runsButton->click();
        auto* list = p.inDialog<QTableWidget>("Spd_Runs");
        QVERIFY(list->window()->isVisible());
        QCOMPARE(list->window()->windowTitle(), QStringLiteral("過去の走行"));
        // Newest first: date, Start, laps, best lap, drivers, and the mark of the run on now.
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(rowTexts(list, 0),
                 (QStringList{"2024/05/12", "10:15", "1", "1周目 0'50\"000", "山田、佐藤", "計測中"}));
        QCOMPARE(rowTexts(list, 1),
                 (QStringList{"2024/05/12", "09:30", "3", "1周目 0'45\"000", "山田、佐藤", ""}));

        // The first run chosen: its laps as the main lap table showed them, numbered down the side.
        list->setCurrentCell(1, 0);
        auto* laps = p.inDialog<QTableWidget>("Spd_RunLaps");
        const QStringList expected[] = {
            {"0'45\"000", "山田", ""}, {"1'25\"000", "山田", "ピットイン給油"}, {"1'20\"000", "佐藤", ""}};
        QCOMPARE(laps->rowCount(), 3);
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(rowTexts(laps, row), expected[row]);
            QCOMPARE(laps->model()->headerData(row, Qt::Vertical).toInt(), row + 1);
        }
        QVERIFY(laps->editTriggers() == QAbstractItemView::NoEditTriggers);
        auto* drivers = p.inDialog<QTableWidget>("Spd_RunDrivers");
        QCOMPARE(drivers->rowCount(), 2);
        QCOMPARE(rowTexts(drivers, 0), (QStringList{"山田", "0'45\"000-1L", "1'05\"000"}));
        QCOMPARE(rowTexts(drivers, 1), (QStringList{"佐藤", "1'20\"000-3L", "1'20\"000"}));

        // Saved again, the first run's file is the one its own screen wrote, under its own name.
        const auto again = p.dir.path() / "again.txt";
        p.fakes.dialogs.saveAsNext(again.string());
        p.inDialog<QPushButton>("Btn_RunWrite")->click();
        QVERIFY(p.fakes.dialogs.saves.back().fileName.ends_with("富士 耐久_2024-05-12_0930.txt"));
        std::ifstream file(again, std::ios::binary);
        QCOMPARE(std::string(std::istreambuf_iterator<char>(file), {}), firstResult);

        // The run on now was never touched, and records on; the list read again shows its lap
        // and keeps the run chosen.
        QCOMPARE(store::RunValues(p.host.race, p.host.main), values);
        QCOMPARE(p.car.Spd_LapTime.revision(), lapTable);
        QCOMPARE(ResultFileBytes(p.host.main), currentResult);
        QCOMPARE(p.fakes.dialogs.boxes.size(), boxes);
        p.carSends(140000);
        QCOMPARE(p.car.Spd_LapTime.rowCount(), 2);
        runsButton->click();
        QCOMPARE(list->item(0, 2)->text(), QStringLiteral("2"));
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(laps->rowCount(), 3);

        // Read from a step back, and whole on a pit laptop's 1366 x 768 less its taskbar.
        QVERIFY(list->font().pointSizeF() > QApplication::font().pointSizeF());
        const QSize least = list->window()->minimumSizeHint();
        QVERIFY2(least.width() <= 1366 - 16 && least.height() <= 728 - 39,
                 qPrintable(QStringLiteral("%1x%2").arg(least.width()).arg(least.height())));
    }

    void anEarlierRunHasItsChartStintsAndCsvWhichFollowTheRunChosen() {
        Pit p;
        p.startStop();
        p.carSends(45000);
        p.carSends(130000);
        p.driver("佐藤");
        p.carSends(210000);
        p.startStop();
        p.fakes.clock.set({2024, 5, 12, 10, 15, 0});
        p.startStop();
        p.carSends(50000);

        p.find<QPushButton>("Btn_Runs")->click();
        auto* list = p.inDialog<QTableWidget>("Spd_Runs");
        list->setCurrentCell(1, 0);
        p.inDialog<QPushButton>("Btn_RunChart")->click();
        p.inDialog<QPushButton>("Btn_RunStints")->click();
        auto* dialog = p.window.findChild<ui::EarlierRunsDialog*>();
        auto* chart = dialog->findChild<ui::LapChartWindow*>();
        auto* stints = dialog->findChild<ui::StintWindow*>();
        QVERIFY(chart->isVisible() && stints->isVisible());
        QCOMPARE(chart->points(), 3);
        QVERIFY(chart->windowTitle().contains(QStringLiteral("09:30")));
        QCOMPARE(stints->stints()->rowCount(), 2);
        QCOMPARE(stints->drivers()->item(1, 0)->text(), QStringLiteral("佐藤"));

        // The stints of the first run as CSV, in UTF-8 with its byte-order mark.
        const auto file = p.dir.path() / "stints.csv";
        p.fakes.dialogs.saveAsNext(file.string(), 1);
        QMenu* menu = p.inDialog<QPushButton>("Btn_RunCsv")->menu();
        menu->actions().at(1)->trigger();
        QVERIFY(p.fakes.dialogs.saves.back().fileName.ends_with("富士 耐久_2024-05-12_0930_スティント.csv"));
        std::ifstream csv(file, std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(csv), {});
        QVERIFY(bytes.starts_with("\xEF\xBB\xBFスティント,ドライバ"));
        QVERIFY(bytes.find("\r\n2,佐藤,3,3,1,0:01:20,80000,") != std::string::npos);

        // The run on now chosen: both windows follow it, and stay open.
        list->setCurrentCell(0, 0);
        QVERIFY(chart->isVisible() && stints->isVisible());
        QCOMPARE(chart->points(), 1);
        QCOMPARE(stints->stints()->rowCount(), 1);
        // The first run's second driver has left the legend: the average, the best and 山田.
        QCoreApplication::processEvents();
        int shown = 0;
        for (QLegendMarker* marker : chart->view()->chart()->legend()->markers()) {
            shown += marker->isVisible() ? 1 : 0;
        }
        QCOMPARE(shown, 3);
    }

    void withoutARunStoreTheListIsEmptyAndSaysWhy() {
        test::TempFolder dir;
        test::FakePorts fakes;
        Host host{fakes.ports(), dir.path()};
        ui::EarlierRunsDialog dialog(host);
        QCOMPARE(dialog.findChild<QTableWidget*>("Spd_Runs")->rowCount(), 0);
        QVERIFY(
            dialog.findChild<QLabel*>("Lbl_RunsNote")->text().contains(QStringLiteral("走行記録ファイル")));
        QVERIFY(!dialog.findChild<QPushButton*>("Btn_RunWrite")->isEnabled());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(ui::japaneseFont());
    EarlierRunsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "earlier_runs_test.moc"
