#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "core/controls.h"
#include "ui/grid_binding.h"

namespace rennik::ui {

// Keeps widgets in line with the screen model. Each bound control remembers the revision it
// last drew; sync() redraws only controls whose revision moved, and in grids only the rows whose
// stamp moved, so the lap display's ten redraws a second never repaint a long lap table.
// What the crew types goes the other way at once, and counts as already drawn.
class Binder {
public:
    void label(Captioned& control, QLabel* widget);
    void button(Button& control, QPushButton* widget);
    // A frame with a size (an editor) takes it and its position; a frame shown is raised
    // above its siblings. `grow`, when given, says how many pixels more than the model's size
    // its content needs; the frame keeps its centre where the model puts it.
    void frame(Frame& control, QGroupBox* widget, std::function<QSize()> grow = {});
    void textBox(TextBox& control, QLineEdit* widget);
    // onChosen runs after an entry chosen from the list is in the model.
    void comboBox(ComboBox& control, QComboBox* widget, std::function<void()> onChosen = {});
    void checkBox(CheckBox& control, QCheckBox* widget);
    void meter(Meter& control, QProgressBar* widget);
    void grid(Grid& control, QTableWidget* widget, GridEvents events = {});
    // A screen timer runs a QTimer as the model says and calls onTick on every tick.
    void timer(Timer& control, QObject* owner, std::function<void()> onTick);

    void sync();
    // The model's positions and sizes are in twips; the screen's pixels take this many each.
    // A change redraws everything once.
    void setTwipsPerPixel(int twips);

private:
    struct Entry {
        const Control* control;
        std::uint64_t drawn;
        std::function<void()> draw;
    };
    Entry& add(const Control& control, QWidget* widget, std::function<void()> draw);

    std::vector<std::unique_ptr<Entry>> entries_;
    int twipsPerPixel_ = 15;
};

}  // namespace rennik::ui
