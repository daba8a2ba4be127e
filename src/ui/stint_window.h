#pragma once

#include <functional>

#include "config/drive_limit.h"
#include "ui/lap_table_window.h"

class QSpinBox;
class QTableWidget;

namespace rennik::ui {

// "スティント表": every stint of a run (driver, first and last lap, laps, driving time, best and
// average lap) and every driver's totals, from the lap table it follows. The running run's also
// sets the limit on continuous driving; an earlier run's only shows.
class StintWindow : public LapTableWindow {
    Q_OBJECT

public:
    // `setLimit` is called with the limit the crew sets; without it the window has no limit row.
    StintWindow(QWidget* parent, std::function<void(DriveLimit)> setLimit = {});

    // The limit as it holds now, shown in its boxes.
    void showLimit(const DriveLimit& limit);

    QTableWidget* stints() const { return stints_; }
    QTableWidget* drivers() const { return drivers_; }

private:
    void redraw() override;

    QTableWidget* stints_ = nullptr;
    QTableWidget* drivers_ = nullptr;
    QSpinBox* limit_ = nullptr;
    QSpinBox* warn_ = nullptr;
};

}  // namespace rennik::ui
