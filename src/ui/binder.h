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

namespace rennik::ui {

// Keeps widgets in line with the screen model. Each bound control remembers the revision it
// last drew; sync() redraws only controls whose revision moved, and in grids only the rows whose
// stamp moved, so the lap display's ten redraws a second never repaint a long lap table.
// What the crew types goes the other way at once, and counts as already drawn.
class Binder {
public:
    void label(Captioned& control, QLabel* widget);
    void button(Button& control, QPushButton* widget);
    void frame(Frame& control, QGroupBox* widget);
    void textBox(TextBox& control, QLineEdit* widget);
    void comboBox(ComboBox& control, QComboBox* widget);
    void checkBox(CheckBox& control, QCheckBox* widget);
    void meter(Meter& control, QProgressBar* widget);
    void grid(Grid& control, QTableWidget* widget);
    // A screen timer runs a QTimer as the model says and calls onTick on every tick.
    void timer(Timer& control, QObject* owner, std::function<void()> onTick);

    void sync();

private:
    struct Entry {
        const Control* control;
        std::uint64_t drawn;
        std::function<void()> draw;
    };
    Entry& add(const Control& control, QWidget* widget, std::function<void()> draw);

    std::vector<std::unique_ptr<Entry>> entries_;
};

}  // namespace rennik::ui
