#pragma once

#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

#include "carlink/lap_rows.h"
#include "config/app_settings.h"
#include "core/controls.h"

class QCheckBox;
class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

namespace rennik::ui {

// "ラップチャート": the laps of a run as a plot, lap number across and lap time up. Each stint is
// a line in its driver's colour (one legend entry per driver), the best lap is a star, a grey
// line is the average of the last five timed laps. Rows without a time are left out; a time the
// crew corrected is drawn as the table now holds it. Pointing at a lap shows its number, time
// and driver.
//
// It follows a lap table it does not own: the running one, or an earlier run's read back from
// the run store. It draws only while it is shown, and only when the table changed.
class LapChartWindow : public QWidget {
    Q_OBJECT

public:
    explicit LapChartWindow(QWidget* parent);
    ~LapChartWindow() override;

    // Draws `laps`, whose ticks count at `settings`' precision, from now on; `title` names the
    // run. Both must outlive the window or be replaced by another follow() first.
    void follow(const Grid* laps, const AppSettings* settings, const QString& title);
    // Names the run anew: the running run's name changes at each Start.
    void setTitle(const QString& title);
    // Brings the plot in line with the table, when it is shown and the table changed.
    void refresh();
    // The timed laps drawn.
    int points() const;
    QChartView* view() const { return view_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void redraw();
    QLineSeries* stintLine(std::size_t index);
    void showLapAt(const QPointF& point, bool hovering);

    const Grid* laps_ = nullptr;
    const AppSettings* settings_ = nullptr;
    std::optional<std::uint64_t> drawn_;
    LapRowCache rows_;

    QChart* chart_ = nullptr;
    QChartView* view_ = nullptr;
    QValueAxis* lapAxis_ = nullptr;
    QValueAxis* timeAxis_ = nullptr;
    std::vector<QLineSeries*> stints_;
    QLineSeries* average_ = nullptr;
    QScatterSeries* best_ = nullptr;
    QCheckBox* zoom_ = nullptr;
    QLabel* heading_ = nullptr;
};

}  // namespace rennik::ui
