#pragma once

#include <QMargins>
#include <QWidget>

#include <functional>

#include "core/host.h"
#include "ui/binder.h"
#include "ui/input_behaviour.h"

class QBoxLayout;
class QGroupBox;

namespace rennik::ui {

class EarlierRunsDialog;
class LapChartWindow;
class LiveViewWindow;
class StintWindow;

// What a window's frame (title bar and borders) takes around its content: as the platform tells
// it, or as a Windows title bar and borders take it where the platform cannot tell yet.
QMargins frameAllowance(const QWidget* window);

// The main screen "走行状況": one widget per control of the model, laid out as a pit board:
// the car's timing and lap table on the left, its driver and fuel in the middle, the race-wide
// panel on the right, the editors floating above. Every widget event goes to its handler, then
// the widgets are brought in line with the model.
//
// The window never gets smaller than its content needs, so nothing overlaps or is cut; on a
// screen too small for that, the window keeps to the screen and its content scrolls.
class MainWindow : public QWidget {
public:
    explicit MainWindow(Host& host);
    ~MainWindow() override;

    // Runs a handler and redraws what it changed.
    void run(const std::function<void()>& handler);
    // Brings the widgets in line with the model, and the open lap chart and stint table with the
    // lap table.
    void sync();
    // The lap display's tick: the screen follows, and nothing is written to the disk.
    void tick(const std::function<void()>& handler);
    // The settings panel takes the sizes the main screen's opening gave it (twips).
    void applyPanelSizes(int twipsPerPixel);
    // The room for the window's content on its screen: the area left for windows (without the
    // taskbar), less the window's frame.
    QSize roomOnScreen() const;
    // Sizes the window for its screen: as large as its content asks and at least 1100 x 680,
    // but never beyond the room on the screen.
    void fitToScreen();

protected:
    // The window's close box is refused, idle or running: the program ends only by Btn_End.
    void closeEvent(QCloseEvent* event) override;
    // The model's form keeps the window's size, so that an editor opens centred on it.
    void resizeEvent(QResizeEvent* event) override;
    // The content asks for more or less room as its panels show and hide.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildCarPanel(CarPanel& car);
    QWidget* buildLapInfo(CarPanel& car);
    QWidget* buildDriverInfo(CarPanel& car);
    QWidget* buildFuel(CarPanel& car);
    QWidget* buildStint(CarPanel& car);
    void addRunViews(QBoxLayout* row, CarPanel& car);
    QWidget* buildRacePanel();
    void buildEditors();
    void buildSettingsPanel();
    void buildDriverPopup(CarPanel& car, QPushButton* anchor);
    // "過去の走行": opens the earlier runs of the run store, read anew, beside the running screen.
    void showEarlierRuns();

    // The lap chart and the stint table of the running run, made on first use and kept; they
    // follow the lap table after every handler.
    void showLapChart();
    void showStints();
    // "スマホ表示": the live view's window, made on first use and kept (with the view on) while
    // it is closed.
    void showLiveView();
    void followLapTable();

    // The minimum size follows the content's, within the room on the screen, and a window
    // that grows stays on the screen.
    void fitMinimumSize();

    // A label whose text changes keeps the room of the widest text it will show, so that the
    // layout never moves under the crew's eyes; a short box keeps the width of its widest entry.
    static void reserve(QLabel* label, const QString& widest);
    static void fixWidth(QLineEdit* box, const QString& widest);

    QLabel* label(Captioned& c);
    QPushButton* button(Button& c, const std::function<void()>& onClick = {});
    QGroupBox* frame(Frame& c);
    QLineEdit* textBox(TextBox& c);
    QComboBox* comboBox(ComboBox& c, bool editable = true, const std::function<void()>& onChosen = {});
    QTableWidget* grid(Grid& c, GridEvents events = {});
    // A handler of a grid's cell event, run as every handler is.
    std::function<void(int, int)> onCell(void (*handler)(Host&, int col, int row));
    void editor(Frame& frame, Label& title, Grid& grid, Button& ok, void (*onOk)(Host&), Button& cancel,
                void (*onCancel)(Host&), void (*onDelete)(Host&, int col, int row));

    Host& host_;
    Binder binder_;
    int twipsPerPixel_ = 15;
    QWidget* content_ = nullptr;
    QGroupBox* settingsPanel_ = nullptr;
    QLabel* settingsHeading_ = nullptr;
    QSize settingsGrowth_;
    QTableWidget* settingsGrid_ = nullptr;
    QPushButton* settingsOk_ = nullptr;
    QPushButton* settingsCancel_ = nullptr;
    InputBehaviour input_;
    // Made on first use and kept, so that it opens where the crew left it.
    EarlierRunsDialog* earlierRuns_ = nullptr;
    LapChartWindow* lapChart_ = nullptr;
    StintWindow* stints_ = nullptr;
    LiveViewWindow* liveView_ = nullptr;
};

}  // namespace rennik::ui
