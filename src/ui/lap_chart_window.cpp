#include "ui/lap_chart_window.h"

#include <QCheckBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>

#include "core/main_screen.h"
#include "drivers/stints.h"
#include "timing/time_format.h"
#include "ui/qt_text.h"

namespace rennik::ui {
namespace {

// Drivers' colours, told apart at a glance and on a grey-scale print.
const QColor kDriverColours[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
                                 QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                 QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};
constexpr int kAverageLaps = 5;
// Beyond this many timed laps a lap is less than a pixel wide on a pit laptop's screen.
constexpr qsizetype kSmoothLaps = 1000;

QString driverName(const std::string& driver) { return driver.empty() ? QStringLiteral("(ドライバなし)") : qs(driver); }

// A step for the lap axis that gives at most a dozen labels: 1, 2, 5, 10, 20, 50, ...
double lapStep(int laps) {
    double step = 1.0;
    for (int k = 0; laps / step > 12.0; ++k) {
        step *= (k % 3 == 1) ? 2.5 : 2.0;
    }
    return step;
}

}  // namespace

LapChartWindow::LapChartWindow(QWidget* parent)
    : LapTableWindow(parent, QStringLiteral("LapChart"), QStringLiteral("ラップチャート")) {
    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    lapAxis_ = new QValueAxis;
    lapAxis_->setTitleText(QStringLiteral("周回"));
    lapAxis_->setLabelFormat(QStringLiteral("%d"));
    lapAxis_->setTickType(QValueAxis::TicksDynamic);
    lapAxis_->setTickAnchor(0.0);
    timeAxis_ = new QValueAxis;
    timeAxis_->setTitleText(QStringLiteral("ラップタイム (秒)"));
    timeAxis_->setLabelFormat(QStringLiteral("%.1f"));
    chart_->addAxis(lapAxis_, Qt::AlignBottom);
    chart_->addAxis(timeAxis_, Qt::AlignLeft);

    average_ = new QLineSeries;
    average_->setName(QStringLiteral("直近%1周の平均").arg(kAverageLaps));
    // Solid: a dashed line of thousands of segments takes longer to draw than all the laps.
    average_->setPen(QPen(QColor(0x90, 0x90, 0x90), 2));
    best_ = new QScatterSeries;
    best_->setMarkerShape(QScatterSeries::MarkerShapeStar);
    best_->setMarkerSize(22.0);
    best_->setColor(QColor(0xff, 0xc0, 0x00));
    best_->setBorderColor(Qt::black);
    for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(average_), static_cast<QAbstractSeries*>(best_)}) {
        chart_->addSeries(s);
        s->attachAxis(lapAxis_);
        s->attachAxis(timeAxis_);
    }
    connect(best_, &QScatterSeries::hovered, this, &LapChartWindow::showLapAt);

    view_ = new QChartView(chart_);
    view_->setRubberBand(QChartView::RectangleRubberBand);

    zoom_ = new QCheckBox(QStringLiteral("ベストの120%まで拡大"));
    zoom_->setToolTip(QStringLiteral("ピットインの周などの遅い周を外して、速さの変化を見やすくします。\n"
                                     "ドラッグで範囲を拡大、右クリックで元に戻ります。"));
    connect(zoom_, &QCheckBox::toggled, this, [this] {
        forgetDrawing();
        refresh();
    });
    auto* top = new QHBoxLayout;
    top->addWidget(heading_, 1);
    top->addWidget(zoom_);
    auto* v = new QVBoxLayout(this);
    v->addLayout(top);
    v->addWidget(view_, 1);
    resize(960, 560);
}

LapChartWindow::~LapChartWindow() = default;

int LapChartWindow::points() const {
    int n = 0;
    for (const QLineSeries* s : stints_) {
        n += s->isVisible() ? static_cast<int>(s->count()) : 0;
    }
    return n;
}

QLineSeries* LapChartWindow::stintLine(std::size_t index) {
    while (stints_.size() <= index) {
        auto* line = new QLineSeries;
        chart_->addSeries(line);
        line->attachAxis(lapAxis_);
        line->attachAxis(timeAxis_);
        connect(line, &QLineSeries::hovered, this, &LapChartWindow::showLapAt);
        stints_.push_back(line);
    }
    return stints_[index];
}

void LapChartWindow::redraw() {
    const std::vector<LapRowCache::Row>& rows = rows_.rows(*laps_);
    const std::vector<Stint> stints = StintsOf(rows);
    const double perSecond = std::max(settings_->TicksPerSecond, 1);

    std::map<std::string, int> colourOf;
    std::deque<double> window;
    double windowSum = 0.0;
    QList<QPointF> average;
    std::optional<std::pair<int, double>> best;
    double slowest = 0.0;
    for (std::size_t k = 0; k < stints.size(); ++k) {
        const Stint& stint = stints[k];
        const auto [it, first] = colourOf.try_emplace(stint.driver, static_cast<int>(colourOf.size()));
        QList<QPointF> points;
        for (int lap = stint.firstLap; lap <= stint.lastLap; ++lap) {
            const std::optional<double>& ticks = rows[static_cast<std::size_t>(lap) - 1].ticks;
            if (!ticks) {
                continue;
            }
            const double seconds = *ticks / perSecond;
            points.append(QPointF(lap, seconds));
            window.push_back(seconds);
            windowSum += seconds;
            if (window.size() > kAverageLaps) {
                windowSum -= window.front();
                window.pop_front();
            }
            average.append(QPointF(lap, windowSum / static_cast<double>(window.size())));
            // Strictly less: of two equal laps the earlier stays best.
            if (!best || seconds < best->second) {
                best = {lap, seconds};
            }
            slowest = std::max(slowest, seconds);
        }
        QLineSeries* line = stintLine(k);
        line->setName(driverName(stint.driver));
        QPen pen(kDriverColours[static_cast<std::size_t>(it->second) % std::size(kDriverColours)]);
        pen.setWidth(2);
        line->setPen(pen);
        if (line->points() != points) {
            line->replace(points);
        }
        line->setVisible(true);
        // One legend entry per driver: his first stint's.
        for (QLegendMarker* marker : chart_->legend()->markers(line)) {
            marker->setVisible(first);
        }
    }
    // Lines left over from a run with more stints (an earlier run chosen after another) hide,
    // and their legend entries with them.
    for (std::size_t k = stints.size(); k < stints_.size(); ++k) {
        stints_[k]->clear();
        stints_[k]->setVisible(false);
    }
    // Smoothed lines and a dot per lap while the laps are few enough to be told apart. A long
    // race draws without smoothing and its average from every few laps (never more points than a
    // screen has pixels across), which keeps its drawing within the time of a glance.
    const bool fewLaps = average.size() <= kSmoothLaps;
    if (!fewLaps) {
        const qsizetype every = (average.size() + kSmoothLaps - 1) / kSmoothLaps;
        QList<QPointF> sparse;
        for (qsizetype k = 0; k < average.size(); k += every) {
            sparse.append(average[k]);
        }
        if (sparse.back() != average.back()) {
            sparse.append(average.back());
        }
        average.swap(sparse);
    }
    average_->replace(average);
    view_->setRenderHint(QPainter::Antialiasing, fewLaps);
    for (QLineSeries* line : stints_) {
        line->setPointsVisible(fewLaps);
    }

    // The lap axis grows a step at a time, not a lap at a time: while its range stays, a new lap
    // redraws only its own stint's line and the average, not every line of the race.
    const int lapCount = std::max(laps_->rowCount(), 10);
    const double step = lapStep(lapCount);
    lapAxis_->setRange(0.5, std::ceil(lapCount / step) * step + 0.5);
    lapAxis_->setTickInterval(step);
    if (best) {
        const int lap = best->first;
        best_->replace(QList<QPointF>{QPointF(lap, best->second)});
        best_->setName(QStringLiteral("ベスト %1周目 %2").arg(lap).arg(qs(laps_->cell(lap, LapColumn::Time))));
        const double top = zoom_->isChecked() ? best->second * 1.2 : slowest;
        const double margin = std::max((top - best->second) * 0.05, 0.5);
        timeAxis_->setRange(std::max(best->second - margin, 0.0), top + margin);
        timeAxis_->applyNiceNumbers();
    } else {
        best_->clear();
        best_->setName(QStringLiteral("ベスト -"));
        timeAxis_->setRange(0.0, 60.0);
    }
}

void LapChartWindow::showLapAt(const QPointF& point, bool hovering) {
    if (!hovering || laps_ == nullptr) {
        QToolTip::hideText();
        return;
    }
    const int lap = static_cast<int>(std::lround(point.x()));
    if (lap < 1 || lap > laps_->rowCount()) {
        return;
    }
    QToolTip::showText(QCursor::pos(), QStringLiteral("%1周目  %2  %3")
                                           .arg(lap)
                                           .arg(qs(laps_->cell(lap, LapColumn::Time)))
                                           .arg(driverName(laps_->cell(lap, LapColumn::Driver))),
                       view_);
}

}  // namespace rennik::ui
