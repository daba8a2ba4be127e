#pragma once

#include <QDialog>

#include <memory>
#include <vector>

#include "core/host.h"
#include "store/run_store.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace rennik::ui {

class LapChartWindow;
class StintWindow;

// "過去の走行": the runs the run store keeps, newest first. A run chosen shows its lap table and
// driver table as its own screen showed them, read back into a screen of its own, and its result
// can be saved again through the save dialog, as can its tables as CSV; its lap chart and stint
// table open beside it and follow the run chosen. The dialog only reads the store: the run in
// progress, its screen and its state are never touched, so the crew may look back during a run.
class EarlierRunsDialog : public QDialog {
    Q_OBJECT

public:
    explicit EarlierRunsDialog(Host& host, QWidget* parent = nullptr);
    ~EarlierRunsDialog() override;

    // Reads the list from the store again and shows the newest run.
    void refresh();

private:
    struct View;

    // Shows the run of a row of the list (0 is the newest); nothing for a row outside it.
    void choose(int row);
    void save();
    void sizeForScreen();
    // The buttons of the chosen run's lap chart, stint table and CSV exports.
    void buildRunViews();
    // The chart and the stint table show the run chosen, and close while none is; before the
    // run shown goes, they let go of it (they stay open for the run chosen next).
    void followChosen();
    void letGoOfRun();

    Host& host_;
    std::vector<store::RunSummary> runs_;
    // The chosen run read back into a race state and screen of its own; empty while none is.
    std::unique_ptr<View> view_;

    QLabel* note_ = nullptr;
    QTableWidget* list_ = nullptr;
    QLabel* heading_ = nullptr;
    QTableWidget* laps_ = nullptr;
    QTableWidget* drivers_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* chart_ = nullptr;
    QPushButton* stintTable_ = nullptr;
    QPushButton* csv_ = nullptr;
    LapChartWindow* lapChart_ = nullptr;
    StintWindow* stints_ = nullptr;
};

// The chosen run read back into a race state and screen of its own.
struct EarlierRunsDialog::View {
    std::int64_t id = 0;
    LocalDateTime start;
    RaceState race;
    MainScreen screen;
};

}  // namespace rennik::ui
