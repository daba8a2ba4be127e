#include "ui/session_guard.h"

#include <QGuiApplication>
#include <QSessionManager>

#include "timing/run_control.h"

namespace rennik::ui {

SessionGuard::SessionGuard(const Host& host) : host_(host) {
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &SessionGuard::commitData,
            Qt::DirectConnection);
}

bool SessionGuard::refusesEnd() const { return IsRunning(host_.main); }

// Windows asks every program before a log-off or shutdown (WM_QUERYENDSESSION); cancelling
// answers "not now", and Windows then names the program as the one holding the shutdown.
void SessionGuard::commitData(QSessionManager& manager) {
    if (refusesEnd() && manager.allowsInteraction()) {
        manager.cancel();
    }
}

}  // namespace rennik::ui
