#pragma once

#include <QString>

#include "rig/host_rig.h"

namespace rennik::bench {

// Turns the host's live view on at 127.0.0.1:`port`, as the crew would from "スマホ表示", so
// that a load script can hit it while the bench measures. Returns the address a phone would open
// (with its key), or "" when the view did not start (the port taken).
QString turnOnLiveView(e2e::HostRig& rig, int port);

}  // namespace rennik::bench
