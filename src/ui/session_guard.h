#pragma once

#include <QObject>

#include "core/host.h"

class QSessionManager;

namespace rennik::ui {

// Treats the end of the system's session (a log-off or a shutdown) as the window's close box:
// while a run is on it is refused wherever the system lets a program refuse, so that a run and
// its laps are not lost to a crew member shutting the pit PC down. Between runs the session
// ends the program as it ends every other one.
class SessionGuard : public QObject {
public:
    explicit SessionGuard(const Host& host);

    // True while a run is on ("Stop" on Btn_Start): the session's end is then refused.
    bool refusesEnd() const;

private:
    void commitData(QSessionManager& manager);

    const Host& host_;
};

}  // namespace rennik::ui
