#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

#include "carlink/lap_rows.h"
#include "config/app_settings.h"
#include "config/drive_limit.h"
#include "core/controls.h"

class QLabel;
class QSpinBox;
class QTableWidget;

namespace rennik::ui {

// "スティント表": every stint of a run (driver, first and last lap, laps, driving time, best and
// average lap) and every driver's totals, from the lap table it follows. The running run's also
// sets the limit on continuous driving; an earlier run's only shows.
class StintWindow : public QWidget {
    Q_OBJECT

public:
    // `setLimit` is called with the limit the crew sets; without it the window has no limit row.
    StintWindow(QWidget* parent, std::function<void(DriveLimit)> setLimit = {});

    // As LapChartWindow::follow and setTitle.
    void follow(const Grid* laps, const AppSettings* settings, const QString& title);
    void setTitle(const QString& title);
    void refresh();
    // The limit as it holds now, shown in its boxes.
    void showLimit(const DriveLimit& limit);

    QTableWidget* stints() const { return stints_; }
    QTableWidget* drivers() const { return drivers_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void redraw();

    const Grid* laps_ = nullptr;
    const AppSettings* settings_ = nullptr;
    std::optional<std::uint64_t> drawn_;
    LapRowCache rows_;

    QLabel* heading_ = nullptr;
    QTableWidget* stints_ = nullptr;
    QTableWidget* drivers_ = nullptr;
    QSpinBox* limit_ = nullptr;
    QSpinBox* warn_ = nullptr;
};

}  // namespace rennik::ui
