#include "ui/input_behaviour.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace rennik::ui {
namespace {

// Whether the focus really went to or from the control. A drop-down list or a context menu
// takes the keyboard while it is open (its list takes the focus too) and gives it back: the
// control is not left, and its handlers do not run.
bool focusMoved(const QEvent* event) {
    return static_cast<const QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
           QApplication::activePopupWidget() == nullptr;
}

}  // namespace

void InputBehaviour::watch(QWidget* control) {
    control->installEventFilter(this);
    // An editable combo box types into its own line edit; watch that too.
    if (auto* combo = qobject_cast<QComboBox*>(control); combo != nullptr && combo->lineEdit() != nullptr) {
        combo->lineEdit()->installEventFilter(this);
    }
}

void InputBehaviour::selectAllOnFocus(QLineEdit* box) {
    selectAll_.insert(box, true);
    watch(box);
}

void InputBehaviour::enterMovesOn(QWidget* control) {
    enter_.insert(control, true);
    if (auto* combo = qobject_cast<QComboBox*>(control); combo != nullptr && combo->lineEdit() != nullptr) {
        enter_.insert(combo->lineEdit(), true);
    }
    watch(control);
}

void InputBehaviour::onFocus(QWidget* control, std::function<void()> handler) {
    focus_.insert(control, std::move(handler));
    watch(control);
}

void InputBehaviour::onFocusLost(QWidget* control, std::function<void()> handler) {
    focusLost_.insert(control, std::move(handler));
    watch(control);
}

bool InputBehaviour::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::FocusOut:
            if (auto it = focusLost_.find(watched); it != focusLost_.end() && focusMoved(event)) {
                it.value()();
            }
            break;
        case QEvent::FocusIn: {
            if (auto it = focus_.find(watched); it != focus_.end() && focusMoved(event)) {
                it.value()();
            }
            if (selectAll_.contains(watched)) {
                // After the focus change has settled, so that the click that brought the focus
                // does not put the caret back into the middle of the text.
                QPointer<QLineEdit> box = qobject_cast<QLineEdit*>(watched);
                QTimer::singleShot(0, this, [box] {
                    if (box) {
                        box->selectAll();
                    }
                });
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            if (selectAll_.contains(watched)) {
                static_cast<QLineEdit*>(watched)->selectAll();
            }
            break;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (enter_.contains(watched) && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
                QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                QCoreApplication::sendEvent(static_cast<QWidget*>(watched)->window()->focusWidget(), &tab);
                return true;
            }
            break;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace rennik::ui
