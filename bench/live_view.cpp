#include "live_view.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

#include "ui/live_view_window.h"

namespace rennik::bench {

QString turnOnLiveView(e2e::HostRig& rig, int port) {
    rig.window.findChild<QPushButton*>(QStringLiteral("Btn_Live"))->click();
    auto* view = rig.window.findChild<ui::LiveViewWindow*>();
    auto* where = view->findChild<QComboBox*>(QStringLiteral("LiveAddress"));
    where->setCurrentIndex(where->findData(QStringLiteral("127.0.0.1")));
    view->findChild<QSpinBox*>(QStringLiteral("LivePort"))->setValue(port);
    view->findChild<QPushButton*>(QStringLiteral("LiveToggle"))->click();
    return view->on() ? view->address() : QString();
}

}  // namespace rennik::bench
