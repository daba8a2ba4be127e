#pragma once

#include <vector>

#include "ui/lap_table_window.h"

class QCheckBox;
class QChart;
class QChartView;
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
// It follows its lap table as every LapTableWindow does.
class LapChartWindow : public LapTableWindow {
    Q_OBJECT

public:
    explicit LapChartWindow(QWidget* parent);
    ~LapChartWindow() override;

    // The timed laps drawn.
    int points() const;
    QChartView* view() const { return view_; }

private:
    void redraw() override;
    QLineSeries* stintLine(std::size_t index);
    void showLapAt(const QPointF& point, bool hovering);

    QChart* chart_ = nullptr;
    QChartView* view_ = nullptr;
    QValueAxis* lapAxis_ = nullptr;
    QValueAxis* timeAxis_ = nullptr;
    std::vector<QLineSeries*> stints_;
    QLineSeries* average_ = nullptr;
    QScatterSeries* best_ = nullptr;
    QCheckBox* zoom_ = nullptr;
};

}  // namespace rennik::ui
