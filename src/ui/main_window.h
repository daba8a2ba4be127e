#pragma once

#include <QWidget>

#include <functional>

#include "core/host.h"
#include "ui/binder.h"
#include "ui/input_behaviour.h"

class QBoxLayout;
class QGroupBox;

namespace rennik::ui {

// The main screen "走行状況": one widget per control of the model, laid out as a pit board:
// the car panel on the left, the race-wide panel on the right, the editors floating above.
// Every widget event goes to its handler, then the widgets are brought in line with the model.
class MainWindow : public QWidget {
public:
    explicit MainWindow(Host& host);

    // Runs a handler and redraws what it changed.
    void run(const std::function<void()>& handler);
    void sync() { binder_.sync(); }
    // The settings panel takes the sizes the main screen's opening gave it (twips).
    void applyPanelSizes(int twipsPerPixel);

protected:
    // The window's close box is refused, idle or running: the program ends only by Btn_End.
    void closeEvent(QCloseEvent* event) override;
    // The model's form keeps the window's size, so that an editor opens centred on it.
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildCarPanel(CarPanel& car);
    QWidget* buildLapInfo(CarPanel& car);
    QWidget* buildDriverInfo(CarPanel& car);
    QWidget* buildFuel(CarPanel& car);
    QWidget* buildRacePanel();
    void buildEditors();
    void buildSettingsPanel();
    void buildDriverPopup(CarPanel& car, QPushButton* anchor);

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
    QGroupBox* settingsPanel_ = nullptr;
    QTableWidget* settingsGrid_ = nullptr;
    QPushButton* settingsOk_ = nullptr;
    QPushButton* settingsCancel_ = nullptr;
    InputBehaviour input_;
};

}  // namespace rennik::ui
