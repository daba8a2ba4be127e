#pragma once

#include <QHash>
#include <QObject>

#include <functional>

class QLineEdit;
class QWidget;

namespace rennik::ui {

// The input habits shared by the boxes of the main screen: a box selects its whole text when it
// gets the focus and when the mouse is released over it, so typing always replaces the old
// value; Enter moves on to the next control exactly as Tab does; and some controls run a
// handler first whenever they get the focus, or when they lose it (a check of what was typed).
// A control whose drop-down list or context menu opens keeps the focus: that runs no handler.
class InputBehaviour : public QObject {
public:
    using QObject::QObject;

    void selectAllOnFocus(QLineEdit* box);
    void enterMovesOn(QWidget* control);
    void onFocus(QWidget* control, std::function<void()> handler);
    void onFocusLost(QWidget* control, std::function<void()> handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget* control);

    QHash<QObject*, bool> selectAll_;
    QHash<QObject*, bool> enter_;
    QHash<QObject*, std::function<void()>> focus_;
    QHash<QObject*, std::function<void()>> focusLost_;
};

}  // namespace rennik::ui
