#include "ui/stint_window.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "drivers/stints.h"
#include "timing/time_format.h"
#include "ui/qt_text.h"

namespace rennik::ui {
namespace {

QTableWidget* table(const QStringList& headings, int nameColumn) {
    auto* t = new QTableWidget(0, static_cast<int>(headings.size()));
    t->setHorizontalHeaderLabels(headings);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->setVisible(false);
    // The figures keep the width of their texts, side by side; the driver's name takes the rest.
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->horizontalHeader()->setSectionResizeMode(nameColumn, QHeaderView::Stretch);
    return t;
}

// A row of texts; the driver's name reads from the left, figures are right-aligned, as a time
// sheet has them.
void fill(QTableWidget* t, int row, const std::vector<std::string>& texts, int nameColumn) {
    for (int c = 0; c < static_cast<int>(texts.size()); ++c) {
        auto* item = new QTableWidgetItem(qs(texts[static_cast<std::size_t>(c)]));
        if (c != nameColumn) {
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        t->setItem(row, c, item);
    }
}

std::vector<std::string> figures(const LapFigures& f, const AppSettings& s) {
    const auto lap = [&s](const std::optional<std::int32_t>& ticks) {
        return ticks ? LapTimeText(*ticks, s) : std::string("-");
    };
    return {std::to_string(f.laps), DrivingTimeText(f.drivingTicks, s),
            f.bestTicks ? lap(f.bestTicks) + "-" + std::to_string(f.bestLap) + "L" : "-", lap(f.averageTicks())};
}

std::string driverText(const std::string& driver) { return driver.empty() ? "(ドライバなし)" : driver; }

}  // namespace

StintWindow::StintWindow(QWidget* parent, std::function<void(DriveLimit)> setLimit)
    : LapTableWindow(parent, QStringLiteral("StintTable"), QStringLiteral("スティント表")) {
    // Read from a step back, as the earlier runs are.
    QFont larger = font();
    larger.setPointSizeF(larger.pointSizeF() * 1.3);
    setFont(larger);
    stints_ = table({QStringLiteral("No."), QStringLiteral("ドライバ"), QStringLiteral("周回"), QStringLiteral("周回数"),
                     QStringLiteral("運転時間"), QStringLiteral("ベスト"), QStringLiteral("平均")},
                    1);
    stints_->setObjectName(QStringLiteral("Stints"));
    drivers_ = table({QStringLiteral("ドライバ"), QStringLiteral("スティント"), QStringLiteral("周回数"),
                      QStringLiteral("合計運転時間"), QStringLiteral("ベスト"), QStringLiteral("平均")},
                     0);
    drivers_->setObjectName(QStringLiteral("DriverTotals"));

    auto* v = new QVBoxLayout(this);
    v->addWidget(heading_);
    v->addWidget(new QLabel(QStringLiteral("スティント (ドライバ交代から次の交代まで)")));
    v->addWidget(stints_, 3);
    v->addWidget(new QLabel(QStringLiteral("ドライバ別の合計")));
    v->addWidget(drivers_, 2);

    if (setLimit) {
        limit_ = new QSpinBox;
        limit_->setObjectName(QStringLiteral("DriveLimitMinutes"));
        limit_->setRange(0, DriveLimit::kMostMinutes);
        limit_->setSpecialValueText(QStringLiteral("なし"));
        limit_->setSuffix(QStringLiteral(" 分"));
        warn_ = new QSpinBox;
        warn_->setObjectName(QStringLiteral("DriveWarnMinutes"));
        warn_->setRange(0, 120);
        warn_->setSuffix(QStringLiteral(" 分前"));
        auto* apply = new QPushButton(QStringLiteral("設定"));
        apply->setObjectName(QStringLiteral("DriveLimitSet"));
        apply->setAutoDefault(false);
        connect(apply, &QPushButton::clicked, this,
                [this, setLimit] { setLimit(DriveLimit{limit_->value(), warn_->value()}); });
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("連続運転の上限")));
        row->addWidget(limit_);
        row->addWidget(new QLabel(QStringLiteral("警告")));
        row->addWidget(warn_);
        row->addWidget(apply);
        row->addStretch();
        v->addLayout(row);
    }
    // The headers take the window's larger font as the cells do.
    for (QTableWidget* t : {stints_, drivers_}) {
        t->horizontalHeader()->setFont(font());
    }
    resize(860, 600);
}

void StintWindow::showLimit(const DriveLimit& limit) {
    if (limit_ != nullptr) {
        limit_->setValue(limit.limitMinutes);
        warn_->setValue(limit.warnMinutes);
    }
}

void StintWindow::redraw() {
    const std::vector<Stint> stints = StintsOf(rows_.rows(*laps_));
    stints_->setRowCount(static_cast<int>(stints.size()));
    for (std::size_t k = 0; k < stints.size(); ++k) {
        const Stint& s = stints[k];
        std::vector<std::string> texts{std::to_string(k + 1), driverText(s.driver),
                                       std::to_string(s.firstLap) + "–" + std::to_string(s.lastLap)};
        const std::vector<std::string> f = figures(s.figures, *settings_);
        texts.insert(texts.end(), f.begin(), f.end());
        fill(stints_, static_cast<int>(k), texts, 1);
    }
    const std::vector<DriverTotal> totals = DriverTotalsOf(stints);
    drivers_->setRowCount(static_cast<int>(totals.size()));
    for (std::size_t k = 0; k < totals.size(); ++k) {
        std::vector<std::string> texts{driverText(totals[k].driver), std::to_string(totals[k].stints)};
        const std::vector<std::string> f = figures(totals[k].figures, *settings_);
        texts.insert(texts.end(), f.begin(), f.end());
        fill(drivers_, static_cast<int>(k), texts, 0);
    }
}

}  // namespace rennik::ui
