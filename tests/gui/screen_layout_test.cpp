// The main window on a pit laptop's screen: 1366 x 768 with a 40-pixel taskbar, which leaves
// 1366 x 728 for windows. The offscreen platform is given a screen of that size.
#include <QAbstractButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

#include <memory>

#include "carlink/address_setup.h"
#include "config/settings_panel.h"
#include "core/startup.h"
#include "loaded_screen.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"
#include "timing/run_control.h"
#include "ui/japanese_font.h"
#include "ui/main_window.h"
#include "ui/program.h"

using namespace rennik;

namespace {

constexpr int kAvailableHeight = 728;
// What a Windows title bar and borders take around the window's content.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 39;

// The program's main window with slot 0's car registered and measured, as during a run.
struct Screen : test::LoadedScreen {
    Screen() {
        load(1366 * 15, kAvailableHeight * 15);
        window.applyPanelSizes(15);
        fakes.dialogs.typeNext("192.168.100.200");
        window.run([this] { Btn_ClientNoSet_Click(host, 0); });
        window.run([this] { Btn_Start_Click(host); });
        window.show();
        QCoreApplication::processEvents();
    }
    void atMinimumSize() {
        window.resize(1, 1);
        QCoreApplication::processEvents();
    }
};

// The controls the crew sees: every visible widget that carries a control's name.
QList<QWidget*> shownControls(QWidget* window) {
    QList<QWidget*> shown;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QStringLiteral("qt_")) &&
            w->isVisible()) {
            shown << w;
        }
    }
    return shown;
}

// Nothing overlaps a control beside it, lies outside the window or is squeezed below the size
// its text needs; the content needs no scrolling.
void everythingShows(QWidget* window) {
    const QList<QWidget*> shown = shownControls(window);
    QVERIFY(shown.size() > 60);
    for (QWidget* w : shown) {
        const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
        QVERIFY2(window->rect().contains(r), qPrintable(w->objectName()));
        const bool wraps = qobject_cast<QLabel*>(w) != nullptr && static_cast<QLabel*>(w)->wordWrap();
        if (!wraps && qobject_cast<QTableWidget*>(w) == nullptr) {
            QVERIFY2(
                w->width() >= w->minimumSizeHint().width() && w->height() >= w->minimumSizeHint().height(),
                qPrintable(QStringLiteral("%1 %2x%3").arg(w->objectName()).arg(w->width()).arg(w->height())));
        }
        for (QWidget* other : shown) {
            if (other != w && other->parentWidget() == w->parentWidget()) {
                QVERIFY2(!w->geometry().intersects(other->geometry()),
                         qPrintable(w->objectName() + QStringLiteral(" / ") + other->objectName()));
            }
        }
    }
    const auto* scroll = window->findChild<QScrollArea*>();
    QCOMPARE(scroll->verticalScrollBar()->maximum(), 0);
    QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
}

}  // namespace

class ScreenLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void theFontIsAJapaneseFaceNoTallerThanTheScreenAllows() {
        const QFont font = ui::japaneseFont();
        QVERIFY(QFontDatabase::writingSystems(font.families().first()).contains(QFontDatabase::Japanese));
        QCOMPARE(font.pointSizeF(), 10.0);
        QCOMPARE(ui::tallestLine(96, kAvailableHeight), 18);
        // A screen with fewer lines to give takes a smaller font.
        QCOMPARE(ui::tallestLine(96, 494), 13);
        // A face whose lines are twice as tall as they may be comes down to the tallest line.
        const QFont tall = ui::fitToLine(QFont(font.families().first(), 20), 18);
        QVERIFY(QFontMetrics(tall).height() <= 18);
        QFont halfPointMore = tall;
        halfPointMore.setPointSizeF(tall.pointSizeF() + 0.5);
        QVERIFY(QFontMetrics(halfPointMore).height() > 18);
    }

    void everythingShowsAtTheMinimumSizeWhichFitsAPitLaptop_data() {
        QTest::addColumn<QFont>("font");
        QTest::newRow("the program's font") << ui::japaneseFont();
        // The tallest face the font choice lets through, its characters larger too.
        QTest::newRow("the tallest lines allowed") << ui::fitToLine(
            QFont(ui::japaneseFont().families().first(), 20), ui::tallestLine(96, kAvailableHeight));
    }
    void everythingShowsAtTheMinimumSizeWhichFitsAPitLaptop() {
        QFETCH(QFont, font);
        const QFont before = QApplication::font();
        QApplication::setFont(font);
        {
            Screen s;
            s.atMinimumSize();
            QVERIFY(s.window.width() + kFrameWidth <= 1366);
            QVERIFY(s.window.height() + kFrameHeight <= kAvailableHeight);
            everythingShows(&s.window);

            // The widest texts of a long run move nothing.
            const QSize minimum = s.window.minimumSize();
            CarPanel& car = s.host.main.car;
            s.window.run([&car] {
                car.Lbl_Contact.setCaption("圏外 12345秒前");
                car.Lbl_LapCnt.setCaption("1000周目");
                car.Lbl_BestLapTime.setCaption("999周目 10'59\"999");
                car.Lbl_YosoSyu.setCaption("あと1234周");
                car.Lbl_DrvrBestLapTime.setCaption("10'59\"999-999L");
                car.Lbl_ZanGas.setCaption("残120");
            });
            QCoreApplication::processEvents();
            QCOMPARE(s.window.minimumSize(), minimum);
        }
        QApplication::setFont(before);
    }

    void onAScreenTooSmallTheWindowKeepsToItAndItsContentScrolls() {
        // Characters too large for the screen: the content asks for more room than there is.
        const QFont before = QApplication::font();
        QApplication::setFont(QFont(ui::japaneseFont().families().first(), 24));
        {
            Screen s;
            s.atMinimumSize();
            const QSize room = s.window.roomOnScreen();
            QVERIFY(s.window.width() <= room.width() && s.window.height() <= room.height());
            QVERIFY(s.window.screen()->availableGeometry().contains(s.window.frameGeometry()));
            const auto* scroll = s.window.findChild<QScrollArea*>();
            QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
            QVERIFY(scroll->horizontalScrollBar()->maximum() > 0);
            // The panels keep their own size beside each other instead of being pressed together.
            const QWidget* car = s.find<QWidget>("Frm_Runner(0)");
            const QWidget* race = s.find<QWidget>("Frm_Main");
            QVERIFY(!car->geometry().intersects(race->geometry()));
            QVERIFY(race->width() >= race->minimumSizeHint().width());
        }
        QApplication::setFont(before);
    }

    void theRemarkColumnStaysReadableWhateverTheRowNumbers() {
        Screen s;
        s.atMinimumSize();
        Grid& laps = s.host.main.car.Spd_LapTime;
        auto* table = s.find<QTableWidget>("Spd_LapTime(0)");
        const QFontMetrics fm = table->fontMetrics();
        for (const int rows : {9, 100, 1000, 10000}) {
            s.window.run([&laps, rows] {
                laps.setRowCount(rows);
                laps.setCell(rows, 1, "10'00\"000");
                laps.setCell(rows, 3, "ピットイン給油");
                laps.setActiveCell(rows, 1);
            });
            QCoreApplication::processEvents();
            QHeaderView* header = table->horizontalHeader();
            QCOMPARE(table->horizontalScrollBar()->maximum(), 0);
            QVERIFY(header->sectionViewportPosition(2) + header->sectionSize(2) <=
                    table->viewport()->width());
            QVERIFY2(header->sectionSize(2) >= fm.horizontalAdvance(QStringLiteral("ピットイン給油")),
                     qPrintable(QString::number(rows)));
            QVERIFY(header->sectionSize(0) > fm.horizontalAdvance(QStringLiteral("10'00\"000")));
            QVERIFY(table->verticalHeader()->width() > fm.horizontalAdvance(QString::number(rows)));
        }
    }

    void theSettingsPanelRowsAreTallEnoughForTheirFont() {
        Screen s;
        s.fakes.dialogs.answerNext(Answer::Yes);
        s.window.run([&s] { Btn_Start_Click(s.host); });
        s.window.run([&s] { Btn_Mess_Click(s.host); });
        auto* panel = s.find<QGroupBox>("Frm_Mess");
        auto* grid = s.find<QTableWidget>("Spd_Mess");
        QVERIFY(panel->isVisible());
        QVERIFY(s.window.rect().contains(panel->geometry()));
        const int textHeight = grid->fontMetrics().height();
        for (int row = 0; row < 7; ++row) {
            QVERIFY(grid->rowHeight(row) >= textHeight + 4);
        }
        QCOMPARE(grid->verticalScrollBar()->maximum(), 0);
        QVERIFY(grid->columnWidth(0) >= grid->fontMetrics().horizontalAdvance(
                                            QStringLiteral("自動メッセージチェック時のデフォルト周数")));
        // The buttons lie inside the panel, below the grid.
        for (const char* name : {"Btn_MessOk", "Btn_MessCancel"}) {
            const QWidget* b = s.find<QWidget>(name);
            QVERIFY(panel->rect().contains(b->geometry()));
            QVERIFY(b->geometry().top() > grid->geometry().bottom());
        }
        // The precision list shows its choice whole.
        grid->setCurrentCell(0, 1);
        grid->editItem(grid->item(0, 1));
        auto* list = grid->findChild<QComboBox*>();
        QVERIFY(list != nullptr);
        QVERIFY(list->height() >= list->minimumSizeHint().height());
    }

    void aFigureBackToItsOwnColoursIsDrawnWithThem() {
        Screen s;
        auto* left = s.find<QLabel>("Lbl_ZanGas(0)");
        const QColor ordinary = left->palette().color(QPalette::WindowText);
        Label& figure = s.host.main.car.Lbl_ZanGas;
        s.window.run([&figure] {
            figure.setBackColor(colours::Red);
            figure.setForeColor(colours::White);
        });
        QCOMPARE(left->palette().color(QPalette::Window), QColor(255, 0, 0));
        QVERIFY(left->autoFillBackground());
        s.window.run([&figure] { figure.clearColors(); });
        QCOMPARE(left->palette().color(QPalette::WindowText), ordinary);
        QVERIFY(!left->autoFillBackground());
    }

    void theWindowOpensWhollyOnTheScreen() {
        test::TempFolder dir;
        test::FakeDialogs dialogs;
        test::FakeSocketFactory sockets;
        ui::Program program(dir.path(), &dialogs, &sockets);
        program.start();
        QMetaObject::invokeMethod(program.startupWindow()->findChild<QTimer*>(), "timeout");
        QWidget* main = program.mainWindow();
        QVERIFY(main != nullptr && main->isVisible());
        const QRect area = main->screen()->availableGeometry();
        QVERIFY(area.contains(main->frameGeometry()));
        QVERIFY(main->width() >= 1100);
        QVERIFY(main->width() >= main->minimumWidth() && main->height() >= main->minimumHeight());
    }
};

int main(int argc, char** argv) {
    // The platform's screen as a pit laptop's, unless the test is run on another platform.
    const test::TempFolder screenDir;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        screenDir.writeText("screen.json",
                            "{\"screens\": [{\"name\": \"Pit\", \"x\": 0, \"y\": 0, \"width\": 1366, "
                            "\"height\": 728, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}],"
                            " \"windowFrameMargins\": true}");
        qputenv("QT_QPA_PLATFORM",
                "offscreen:configfile=" + QByteArray::fromStdString((screenDir / "screen.json").string()));
    }
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setFont(ui::japaneseFont());
    ScreenLayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "screen_layout_test.moc"
