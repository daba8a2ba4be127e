// The earlier run's lap chart, stint table and CSV exports: buttons of the earlier runs, and
// windows that follow the run chosen.
#include <QLabel>
#include <QPushButton>

#include "report/csv_save.h"
#include "ui/csv_menu.h"
#include "ui/earlier_runs_dialog.h"
#include "ui/lap_chart_window.h"
#include "ui/stint_window.h"

namespace rennik::ui {

void EarlierRunsDialog::buildRunViews() {
    chart_ = new QPushButton(QStringLiteral("ラップチャート"));
    chart_->setObjectName(QStringLiteral("Btn_RunChart"));
    connect(chart_, &QPushButton::clicked, this, [this] {
        if (lapChart_ == nullptr) {
            lapChart_ = new LapChartWindow(this);
        }
        lapChart_->show();
        followChosen();
        lapChart_->raise();
    });
    stintTable_ = new QPushButton(QStringLiteral("スティント表"));
    stintTable_->setObjectName(QStringLiteral("Btn_RunStints"));
    connect(stintTable_, &QPushButton::clicked, this, [this] {
        if (stints_ == nullptr) {
            stints_ = new StintWindow(this);
        }
        stints_->show();
        followChosen();
        stints_->raise();
    });
    csv_ = new QPushButton(QStringLiteral("CSV保存"));
    csv_->setObjectName(QStringLiteral("Btn_RunCsv"));
    attachCsvMenu(csv_, [this](CsvTable table) {
        if (view_) {
            SaveCsvFile(host_, view_->screen, view_->race, table);
        }
    });
}

void EarlierRunsDialog::letGoOfRun() {
    if (lapChart_ != nullptr) {
        lapChart_->follow(nullptr, nullptr, {});
    }
    if (stints_ != nullptr) {
        stints_->follow(nullptr, nullptr, {});
    }
}

void EarlierRunsDialog::followChosen() {
    for (QWidget* w : {static_cast<QWidget*>(lapChart_), static_cast<QWidget*>(stints_)}) {
        if (w != nullptr && !view_) {
            w->hide();
        }
    }
    if (!view_) {
        return;
    }
    const Grid* laps = &view_->screen.car.Spd_LapTime;
    if (lapChart_ != nullptr) {
        lapChart_->follow(laps, &view_->race.Settings, heading_->text());
    }
    if (stints_ != nullptr) {
        stints_->follow(laps, &view_->race.Settings, heading_->text());
    }
}

}  // namespace rennik::ui
