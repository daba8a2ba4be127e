#include <QAbstractItemModel>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include "core/startup.h"
#include "loaded_screen.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"
#include "ui/japanese_font.h"
#include "ui/main_window.h"
#include "ui/program.h"

using namespace rennik;

class MainWindowTest : public QObject {
    Q_OBJECT

    struct Screen : test::LoadedScreen {
        // `driverFile`, when given, is the Drivers.ini the program finds at start-up.
        explicit Screen(const std::string& driverFile = {}) {
            if (!driverFile.empty()) {
                dir.writeText("Drivers.ini", driverFile);
            }
            load();
            window.resize(1100, 720);
            window.show();
            window.activateWindow();
        }
    };

private slots:
    void clickIntoATextBoxSelectsTheWholeText() {
        Screen s;
        QLineEdit* event = s.find<QLineEdit>("Txt_Event");
        QTest::keyClicks(event, "Suzuka 8h");
        QCOMPARE(QString::fromStdString(s.host.main.Txt_Event.text()), QStringLiteral("Suzuka 8h"));
        s.find<QLineEdit>("Txt_Kion")->setFocus();
        QTest::mouseClick(event, Qt::LeftButton, Qt::NoModifier,
                          QPoint(event->width() / 2, event->height() / 2));
        QTRY_COMPARE(event->selectedText(), QStringLiteral("Suzuka 8h"));
        // A second click, with the focus already there, selects everything again.
        event->setCursorPosition(3);
        QTest::mouseClick(event, Qt::LeftButton, Qt::NoModifier, QPoint(5, event->height() / 2));
        QCOMPARE(event->selectedText(), QStringLiteral("Suzuka 8h"));
    }

    void enterMovesOnAsTabDoes() {
        Screen s;
        QComboBox* course = s.find<QComboBox>("Cmb_Course");
        course->setFocus();
        QTRY_VERIFY(course->hasFocus());
        QTest::keyClick(course, Qt::Key_Return);
        QTRY_VERIFY(!course->hasFocus());
        QWidget* afterEnter = QApplication::focusWidget();
        course->setFocus();
        QTRY_VERIFY(course->hasFocus());
        QTest::keyClick(course, Qt::Key_Tab);
        QTRY_VERIFY(!course->hasFocus());
        QCOMPARE(QApplication::focusWidget(), afterEnter);

        QLineEdit* date = s.find<QLineEdit>("Txt_Date");
        date->setFocus();
        QTest::keyClick(date, Qt::Key_Enter);
        QTRY_VERIFY(!date->hasFocus());
    }

    void focusOnTheMessageBoxClosesTheDriverPopup() {
        Screen s;
        CarPanel& car = s.host.main.car;
        // The panel opens once the car PC's address is set; show it as that does.
        s.window.run([&car] {
            car.Frm_LapInfo.setVisible(true);
            car.Frm_DriverInfo.setVisible(true);
        });
        auto* popupButton = s.find<QPushButton>("Btn_DriverInfo(0)");
        auto* popup = s.find<QGroupBox>("Frm_DriverLap(0)");
        QTest::mouseClick(popupButton, Qt::LeftButton);
        QVERIFY(popup->isVisible());
        QVERIFY(popupButton->isChecked());
        s.find<QLineEdit>("Txt_OutMess(0)")->setFocus();
        QTRY_VERIFY(!popup->isVisible());
        QVERIFY(!popupButton->isChecked());
        QVERIFY(!car.Time_DriverInfo.enabled());
    }

    void aCarMessageIsShownAsTextNotMarkup() {
        Screen s;
        s.window.run([&s] { s.host.main.car.Lbl_InMess.setCaption("pit <b>now</b> <img src=x>"); });
        auto* label = s.find<QLabel>("Lbl_InMess(0)");
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), QStringLiteral("pit <b>now</b> <img src=x>"));
    }

    void closeBoxIsRefused() {
        Screen s;
        QVERIFY(!s.window.close());
        QVERIFY(s.window.isVisible());
        QCOMPARE(s.fakes.app.quits, 0);
    }

    void aChangedLapRowRedrawsThatRowOnly() {
        Screen s;
        Grid& laps = s.host.main.car.Spd_LapTime;
        s.window.run([&laps] {
            laps.setVisible(true);
            laps.setRowCount(999);
            for (int row = 1; row <= 999; ++row) {
                laps.setCell(row, 1, "1'00\"000");
            }
        });
        auto* table = s.find<QTableWidget>("Spd_LapTime(0)");
        QCOMPARE(table->rowCount(), 999);
        QCOMPARE(table->item(998, 0)->text(), QStringLiteral("1'00\"000"));
        QSignalSpy redraws(table->model(), &QAbstractItemModel::dataChanged);
        s.window.run([&laps] { laps.setCell(500, 3, "ピットイン"); });
        QCOMPARE(table->item(499, 2)->text(), QStringLiteral("ピットイン"));
        QVERIFY(redraws.count() <= laps.colCount());
        for (const auto& change : redraws) {
            QCOMPARE(change.at(0).value<QModelIndex>().row(), 499);
        }
    }

    void startupScreenShowsForThreeSecondsThenTheMainScreen() {
        test::TempFolder dir;
        test::FakeDialogs dialogs;
        test::FakeSocketFactory sockets;
        sockets.net->takenPorts.insert(7001);
        ui::Program program(dir.path(), &dialogs, &sockets);
        program.start();
        QWidget* startup = program.startupWindow();
        QVERIFY(startup->isVisible());
        QCOMPARE(startup->findChild<QLabel*>("Label1")->text(), QStringLiteral("Ver1.20"));
        QCOMPARE(startup->findChild<QLabel*>("Label2")->text(), QStringLiteral("RennikHostSystem"));
        QCOMPARE(startup->findChild<QLabel*>("Label3")->text(), QStringLiteral("1Car Version"));
        QVERIFY(program.mainWindow() == nullptr);

        // Timer1 is a running three-second timer; its tick opens the main screen.
        auto* timer1 = startup->findChild<QTimer*>();
        QVERIFY(timer1 != nullptr && timer1->isActive());
        QCOMPARE(timer1->interval(), 3000);
        // The port box opens during the load and runs the event loop: a second tick then must
        // not open a second main screen.
        dialogs.whileOpen = [timer1](const MessageBoxRequest&) {
            QMetaObject::invokeMethod(timer1, "timeout");
        };
        QMetaObject::invokeMethod(timer1, "timeout");
        QVERIFY(program.mainWindow() != nullptr);
        QVERIFY(program.mainWindow()->isVisible());
        QVERIFY(!startup->isVisible());
        QVERIFY(!timer1->isActive());
        QCOMPARE(dialogs.boxes.size(), std::size_t{1});
        QCOMPARE(program.mainWindow()->windowTitle(), QStringLiteral("走行状況"));
        QVERIFY(QFileInfo::exists(QString::fromStdString((dir / "Rennik.ini").string())));
    }

    void lapTableShowsTimeDriverAndRemarkAndWeatherTakesTypedText() {
        Screen s;
        auto* laps = s.find<QTableWidget>("Spd_LapTime(0)");
        QCOMPARE(laps->columnCount(), 5);
        QVERIFY(!laps->isColumnHidden(0) && !laps->isColumnHidden(1) && !laps->isColumnHidden(2));
        QVERIFY(laps->isColumnHidden(3) && laps->isColumnHidden(4));
        auto* weather = s.find<QComboBox>("Cmb_Tenki");
        QCOMPARE(weather->count(), 4);
        QCOMPARE(weather->itemText(3), QStringLiteral("雪"));
        weather->setFocus();
        weather->lineEdit()->selectAll();
        QTest::keyClicks(weather->lineEdit(), "fog");
        QCOMPARE(s.host.main.Cmb_Tenki.text(), std::string("fog"));
    }

    void theMessageBoxTakesNoMoreThanItsLimitAndLongNamesKeepTheSelectorsInPlace() {
        // A driver name of 50,000 characters in the file.
        Screen s("山田\r\n" + std::string(50000, 'W') + "\r\n");
        CarPanel& car = s.host.main.car;
        car.Frm_DriverInfo.setVisible(true);
        s.window.sync();
        auto* message = s.find<QLineEdit>("Txt_OutMess(0)");
        QSignalSpy refused(message, &QLineEdit::inputRejected);
        message->setFocus();
        message->insert(QString(32767, QLatin1Char('x')));
        QCOMPARE(message->text().size(), 60);
        QCOMPARE(car.Txt_OutMess.text().size(), std::size_t{60});
        QCOMPARE(refused.count(), 1);

        // The long name asks no more room of the layout than a short one: the selectors and the
        // boxes beside them keep their widths.
        QTest::qWait(20);
        QCOMPARE(s.find<QComboBox>("Cmb_Driver(0)")->count(), 2);
        QVERIFY(s.find<QComboBox>("Cmb_Driver(0)")->width() < 400);
        QVERIFY(s.find<QLineEdit>("Txt_Nenpi(0)")->width() > 100);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(ui::japaneseFont());
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
