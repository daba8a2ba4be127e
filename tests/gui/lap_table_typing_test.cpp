#include <QAbstractItemView>
#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

#include "base/sjis.h"
#include "carlink/address_setup.h"
#include "core/startup.h"
#include "loaded_screen.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"
#include "timing/lap_display.h"
#include "timing/run_control.h"
#include "ui/japanese_font.h"
#include "ui/main_window.h"

using namespace rennik;

// What the crew types into the lap table is never taken away by a lap that arrives meanwhile.
class LapTableTypingTest : public QObject {
    Q_OBJECT

    struct Run : test::LoadedScreen {
        CarPanel& car = host.main.car;
        QTableWidget* laps = nullptr;

        Run() {
            fakes.clock.set({2026, 12, 7, 9, 5, 0});
            load();
            window.resize(1280, 760);
            window.show();
            window.activateWindow();
            fakes.dialogs.typeNext("127.0.0.1");
            window.run([this] {
                Btn_ClientNoSet_Click(host, 0);
                car.Cmb_Driver.setText("山田");
                Btn_Start_Click(host);
            });
            laps = find<QTableWidget>("Spd_LapTime(0)");
        }
        // The car's report arriving at `tick`, handled as the program handles a datagram.
        void carSends(std::int32_t tick, const std::string& text) {
            window.run([&] {
                fakes.ticks.now = tick;
                fakes.sockets.deliver(7011, sjis::fromUtf8(text), "127.0.0.1",
                                      test::FakeTicks::momentOf(tick));
            });
        }
        void displayTick(std::int32_t tick) {
            window.run([&] {
                fakes.ticks.now = tick;
                Time_Lap_Timer(host, 0);
            });
        }
        // Double-clicks a cell, as the crew opens it for typing.
        void openCell(int row, int col) {
            const QRect cell = laps->visualRect(laps->model()->index(row - 1, col - 1));
            QTest::mouseClick(laps->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
            QTest::mouseDClick(laps->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
            QTRY_VERIFY(editing());
        }
        // The crew is typing in a cell: the focus is in an editor on the table.
        bool editing() const {
            const auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            return box != nullptr && box->parentWidget() == laps->viewport();
        }
        // Types into whatever has the focus now, a key at a time, as a person types Japanese
        // text that the input method has already converted.
        static void type(const QString& text) {
            for (const QChar c : text) {
                QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
            }
        }
        QWidget* editor() { return QApplication::focusWidget(); }
    };

private slots:
    void aLapThatClosesWhileARemarkIsTypedLeavesTheRemarkWhole() {
        Run r;
        r.carSends(3000, "000");
        r.displayTick(13100);  // the silence opens lap 1
        QCOMPARE(r.laps->rowCount(), 1);

        r.openCell(1, 3);
        r.type(QStringLiteral("スタート"));
        r.carSends(83456, "000");  // the car comes back: lap 1 closes in the row being typed in
        QCOMPARE(QString::fromStdString(r.car.Spd_LapTime.cell(1, 1)), QStringLiteral("1'23\"456"));
        QVERIFY(r.editing());
        r.type(QStringLiteral("直後"));
        r.displayTick(93600);  // and leaves again: the silence opens lap 2 while the crew types on
        QCOMPARE(r.laps->rowCount(), 2);
        r.type(QStringLiteral("に給油"));
        QTest::keyClick(r.editor(), Qt::Key_Return);

        QTRY_COMPARE(QString::fromStdString(r.car.Spd_LapTime.cell(1, 3)),
                     QStringLiteral("スタート直後に給油"));
        QCOMPARE(QString::fromStdString(r.car.Spd_LapTime.cell(1, 1)), QStringLiteral("1'23\"456"));
        QCOMPARE(QString::fromStdString(r.car.Spd_LapTime.cell(1, 4)), QStringLiteral("83456"));
        QVERIFY(r.fakes.dialogs.boxes.empty());
        // Once the remark is finished, the cursor goes where the new lap put it.
        QTRY_COMPARE(r.laps->currentRow(), r.car.Spd_LapTime.activeRow() - 1);
        QCOMPARE(r.laps->currentColumn(), r.car.Spd_LapTime.activeCol() - 1);
    }

    void aCellTheCrewMovesToMeanwhileKeepsTheCursor() {
        Run r;
        r.carSends(3000, "000");
        r.displayTick(13100);
        r.openCell(1, 3);
        r.type(QStringLiteral("雨"));
        r.carSends(83456, "000");
        // The crew leaves the remark with Tab: their move wins over the lap's.
        QTest::keyClick(r.editor(), Qt::Key_Tab);
        QTRY_COMPARE(QString::fromStdString(r.car.Spd_LapTime.cell(1, 3)), QStringLiteral("雨"));
        QTest::qWait(50);
        QCOMPARE(r.car.Spd_LapTime.activeRow(), r.laps->currentRow() + 1);
        QCOMPARE(r.car.Spd_LapTime.activeCol(), r.laps->currentColumn() + 1);
        QVERIFY(r.laps->currentColumn() != 2 || r.laps->currentRow() != 0);
        QVERIFY(r.fakes.dialogs.boxes.empty());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(ui::japaneseFont());
    LapTableTypingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "lap_table_typing_test.moc"
