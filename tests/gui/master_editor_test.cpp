#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include <utility>
#include <vector>

#include "core/startup.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"
#include "ui/binder.h"
#include "ui/japanese_font.h"
#include "ui/main_window.h"
#include "ui/qt_ports.h"

using namespace rennik;
using Cells = std::vector<std::pair<int, int>>;  // (col, row) as the events give them

class MasterEditorTest : public QObject {
    Q_OBJECT

    // The main screen on scripted boxes and the real Qt focus, in a folder of its own.
    struct Screen {
        test::TempFolder dir;
        test::FakePorts fakes;
        ui::QtFocus focus;
        Host host{Ports{fakes.dialogs, fakes.clock, fakes.ticks, fakes.sockets, focus, fakes.app},
                  dir.path()};
        ui::MainWindow window{host};

        // Loads the program from the folder's files and shows the window.
        bool open() {
            focus.setWindow(&window);
            Mf_Open_Load(host, 28800, 16200);
            window.run([this] { Timer1_Timer(host); });
            window.resize(1100, 720);
            window.show();
            return QTest::qWaitForWindowActive(&window);
        }
    };

    static QLineEdit* openEditor(QTableWidget* table, int row, int col) {
        table->setCurrentCell(row, col);
        QTest::keyClick(table, Qt::Key_F2);
        return qobject_cast<QLineEdit*>(QApplication::focusWidget());
    }
    static void clickCell(QTableWidget* table, int row, int col) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                          table->visualRect(table->model()->index(row, col)).center());
    }

private slots:
    void aBoundGridTakesTypingWithinItsLimitsButtonsAndTheCursor() {
        Grid grid{"Spd_Test", 3, 3};
        grid.setColumnEditable(1, true);
        grid.setColumnMaxLength(1, 5);
        grid.setRowCount(60);
        grid.setCell(2, 1, "longer than five");
        Cells finished, moved;
        ui::GridEvents events;
        events.editFinished = [&](int col, int row) { finished.emplace_back(col, row); };
        events.cellChanged = [&](int col, int row, int, int) { moved.emplace_back(col, row); };
        QTableWidget table;
        ui::Binder binder;
        binder.grid(grid, &table, events);
        binder.sync();
        table.resize(400, 300);
        table.show();
        QVERIFY(QTest::qWaitForWindowActive(&table));

        // Typing starts an edit; the column takes five characters and Enter commits them.
        table.setCurrentCell(0, 0);
        QTest::keyClick(&table, Qt::Key_A);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor != nullptr);
        QSignalSpy refused(editor, &QLineEdit::inputRejected);
        QTest::keyClicks(editor, "bcdefg");
        QCOMPARE(refused.count(), 2);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(finished, (Cells{{1, 1}}));
        QCOMPARE(grid.cell(1, 1), std::string("abcde"));

        // A text longer than the limit that the program put in survives an edit; a read-only
        // column opens no editor.
        QTest::keyClick(openEditor(&table, 1, 0), Qt::Key_Return);
        QTRY_COMPARE(finished.size(), std::size_t{2});
        QCOMPARE(grid.cell(2, 1), std::string("longer than five"));
        QVERIFY(openEditor(&table, 2, 1) == nullptr);

        // The cursor and the model's active cell follow each other; a redraw raises no event.
        table.setCurrentCell(4, 0);
        QTest::keyClick(&table, Qt::Key_Down);
        QCOMPARE(std::pair(grid.activeRow(), grid.activeCol()), std::pair(6, 1));
        QTRY_COMPARE(moved.back(), std::pair(1, 6));
        const std::size_t moves = moved.size();
        grid.setActiveCell(10, 2);
        binder.sync();
        QCOMPARE(std::pair(table.currentRow(), table.currentColumn()), std::pair(9, 1));
        QTest::qWait(10);
        QCOMPARE(moved.size(), moves);
    }

    void theCarEditorOpensCentredAndEditsTheCars() {
        Screen screen;
        screen.dir.writeText("Car.ini", "Alpha,Ito,40,12.5\r\nBeta,Sato,30,20\r\nGamma,Kato,50,8\r\n");
        screen.dir.writeText("Course.ini", "Oval,1200\r\n");
        QVERIFY(screen.open());
        Host& host = screen.host;
        ui::MainWindow& window = screen.window;
        auto* frame = window.findChild<QGroupBox*>("Frm_Car");
        auto* table = window.findChild<QTableWidget*>("Spd_Car");

        // The editor opens at the centre of the window as it is now, over the disabled panels.
        window.resize(1200, 800);
        QTest::mouseClick(window.findChild<QPushButton*>("Btn_Car"), Qt::LeftButton);
        QCOMPARE(frame->geometry(), QRect(270, 180, 660, 440));
        QVERIFY(frame->isAncestorOf(window.childAt(600, 400)));
        QVERIFY(!window.findChild<QGroupBox*>("Frm_Runner(0)")->isEnabled());
        QTRY_VERIFY(table->hasFocus());
        QHeaderView* header = table->horizontalHeader();
        for (int col = 0; col < 4; ++col) {
            QTRY_VERIFY(header->sectionSize(col) >= header->sectionSizeHint(col));
        }
        QVERIFY(header->sectionSize(4) < header->sectionSize(0) / 2);

        // Typed and pasted text goes into the model, a paste cut at the column's 40 characters.
        QLineEdit* owner = openEditor(table, 0, 1);
        owner->insert(QString(100, QLatin1Char('x')));
        QTest::keyClick(owner, Qt::Key_Tab);
        QTRY_COMPARE(host.main.Spd_Car.cell(1, 2), std::string(40, 'x'));

        // Only the delete button of row 2 takes Beta out; Gamma moves up in the table too.
        clickCell(table, 1, 3);
        QTest::qWait(10);
        QCOMPARE(host.main.Spd_Car.cell(2, 1), std::string("Beta"));
        clickCell(table, 1, 4);
        QTRY_COMPARE(host.main.Spd_Car.cell(2, 1), std::string("Gamma"));
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Gamma"));

        QTest::mouseClick(window.findChild<QPushButton*>("Btn_CarCancel"), Qt::LeftButton);
        QVERIFY(!frame->isVisible());
        QVERIFY(window.findChild<QGroupBox*>("Frm_Runner(0)")->isEnabled());

        // A car chosen from the list gives the slot its tank; leaving the course selector takes
        // over the course's length, and opening its list does not count as leaving it.
        emit window.findChild<QComboBox*>("Cmb_Car(0)")->activated(1);
        QCOMPARE(host.main.car.Lbl_Tank.caption(), std::string("30"));
        auto* course = window.findChild<QComboBox*>("Cmb_Course");
        course->setFocus();
        course->setCurrentIndex(0);
        course->showPopup();
        QTest::qWait(10);
        QCOMPARE(host.race.CourseLength, 0);
        course->hidePopup();
        window.findChild<QLineEdit*>("Txt_Event")->setFocus();
        QTRY_COMPARE(host.race.CourseLength, 1200);
    }

    void theSettingsPanelKeepsTheCursorInTheValueColumn() {
        Screen screen;
        QVERIFY(screen.open());
        Host& host = screen.host;
        ui::MainWindow& window = screen.window;
        QTest::mouseClick(window.findChild<QPushButton*>("Btn_Mess"), Qt::LeftButton);
        auto* table = window.findChild<QTableWidget*>("Spd_Mess");
        QVERIFY(window.findChild<QGroupBox*>("Frm_Mess")->isVisible());
        QTRY_VERIFY(table->hasFocus());
        QTRY_COMPARE(table->currentColumn(), 1);

        // Neither an arrow key nor a click takes the cursor into the labels.
        table->setCurrentCell(2, 1);
        QTest::keyClick(table, Qt::Key_Left);
        QTRY_COMPARE(table->currentColumn(), 1);
        QCOMPARE(table->currentRow(), 2);
        clickCell(table, 5, 0);
        QTRY_COMPARE(table->currentColumn(), 1);
        QCOMPARE(table->currentRow(), 2);
        QCOMPARE(host.main.Spd_Mess.activeCol(), 2);

        // Row 1 is chosen from its two precisions; the save redraws the lap clock in the new one.
        table->setCurrentCell(0, 1);
        QTest::keyClick(table, Qt::Key_F2);
        auto* list = qobject_cast<QComboBox*>(QApplication::focusWidget());
        QVERIFY(list != nullptr);
        QCOMPARE(list->count(), 2);
        list->setCurrentIndex(list->findText(QStringLiteral("1/100")));
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE(host.main.Spd_Mess.cell(1, 2), std::string("1/100"));
        QTest::mouseClick(window.findChild<QPushButton*>("Btn_MessOk"), Qt::LeftButton);
        QCOMPARE(window.findChild<QLabel*>("Lbl_Time(0)")->text(), QStringLiteral("0'00\"00"));
        QVERIFY(!window.findChild<QGroupBox*>("Frm_Mess")->isVisible());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(ui::japaneseFont());
    MasterEditorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "master_editor_test.moc"
