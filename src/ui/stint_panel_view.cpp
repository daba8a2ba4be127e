// Beside the driver information, the current driver's continuous driving time and the fuel
// strategy; beside the slot's set-up button, the lap chart, the stint table and the CSV exports.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "drivers/driving_time.h"
#include "ui/csv_menu.h"
#include "ui/lap_chart_window.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/stint_window.h"

namespace rennik::ui {
namespace {

// The run on the screen, as the chart and the stint table name it.
QString runningTitle(const MainScreen& m, const RaceState& race) {
    const QString event = m.Txt_Event.text().empty() ? QStringLiteral("走行状況") : qs(m.Txt_Event.text());
    if (race.StartTime.year == 0) {
        return event;
    }
    return event + QStringLiteral("  %1/%2/%3 %4:%5 Start")
                       .arg(race.StartTime.year)
                       .arg(race.StartTime.month, 2, 10, QLatin1Char('0'))
                       .arg(race.StartTime.day, 2, 10, QLatin1Char('0'))
                       .arg(race.StartTime.hour, 2, 10, QLatin1Char('0'))
                       .arg(race.StartTime.minute, 2, 10, QLatin1Char('0'));
}

}  // namespace

QWidget* MainWindow::buildStint(CarPanel& car) {
    const int i = car.slot;
    QGroupBox* stint = frame(car.Frm_Stint);
    auto* g = new QGridLayout(stint);
    g->setContentsMargins(6, 2, 6, 4);
    g->setVerticalSpacing(2);
    g->addWidget(label(car.Lbl_DriveCaption), 0, 0);
    // Blinks when the limit nears: a margin keeps the figure clear of its coloured edge.
    QLabel* time = label(car.Lbl_DriveTime);
    scaleFont(time, 1.3, true);
    time->setMargin(1);
    time->setAlignment(Qt::AlignCenter);
    reserve(time, QStringLiteral("00:00:00"));
    g->addWidget(time, 0, 1);
    QLabel* limit = label(car.Lbl_DriveLimit);
    reserve(limit, QStringLiteral("上限 24:00:00 超過"));
    g->addWidget(limit, 0, 2);
    g->setColumnStretch(2, 1);
    binder_.timer(car.Time_DriveBlk, this, [this, i] { run([this, i] { Time_DriveBlk_Timer(host_, i); }); });
    int row = 1;
    for (Label* line : {&car.Lbl_FuelLaps, &car.Lbl_FuelEnd, &car.Lbl_Refuel}) {
        QLabel* l = label(*line);
        // The refuel is what the crew acts on: it stands out (bold, in the room the screen has).
        scaleFont(l, 1.0, line == &car.Lbl_Refuel);
        l->setWordWrap(true);
        l->setMinimumHeight(l->fontMetrics().height() + 2);
        g->addWidget(l, row++, 0, 1, 3);
    }
    return stint;
}

void MainWindow::addRunViews(QBoxLayout* row, CarPanel& car) {
    row->addWidget(button(car.Btn_LapChart, [this] { showLapChart(); }));
    row->addWidget(button(car.Btn_Stints, [this] { showStints(); }));
    QPushButton* csv = button(car.Btn_Csv);
    attachCsvMenu(csv, [this](CsvTable table) {
        run([this, table] { SaveCsvFile(host_, host_.main, host_.race, table); });
    });
    row->addWidget(csv);
}

void MainWindow::showLapChart() {
    if (lapChart_ == nullptr) {
        lapChart_ = new LapChartWindow(this);
    }
    lapChart_->follow(&host_.main.car.Spd_LapTime, &host_.race.Settings, runningTitle(host_.main, host_.race));
    lapChart_->show();
    lapChart_->raise();
    lapChart_->activateWindow();
}

void MainWindow::showStints() {
    if (stints_ == nullptr) {
        stints_ = new StintWindow(this, [this](DriveLimit limit) { run([this, limit] { SetDriveLimit(host_, limit); }); });
    }
    stints_->follow(&host_.main.car.Spd_LapTime, &host_.race.Settings, runningTitle(host_.main, host_.race));
    stints_->showLimit(host_.race.DrivingLimit);
    stints_->show();
    stints_->raise();
    stints_->activateWindow();
}

void MainWindow::followLapTable() {
    if (lapChart_ != nullptr && lapChart_->isVisible()) {
        lapChart_->setTitle(runningTitle(host_.main, host_.race));
        lapChart_->refresh();
    }
    if (stints_ != nullptr && stints_->isVisible()) {
        stints_->setTitle(runningTitle(host_.main, host_.race));
        stints_->refresh();
    }
}

}  // namespace rennik::ui
