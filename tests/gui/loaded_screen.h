#pragma once

#include <QString>
#include <QtGlobal>

#include "core/startup.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"
#include "ui/main_window.h"

namespace rennik::test {

// The program's main window on fake ports in a fresh folder. The members come first, so that a
// test may write the folder's files before load() reads them.
struct LoadedScreen {
    TempFolder dir;
    FakePorts fakes;
    Host host{fakes.ports(), dir.path()};
    ui::MainWindow window{host};

    // The start-up screen's load on a screen of the given size in twips, then its timer, which
    // loads the main screen.
    void load(int screenWTwips = 28800, int screenHTwips = 16200) {
        Mf_Open_Load(host, screenWTwips, screenHTwips);
        window.run([this] { Timer1_Timer(host); });
    }

    // A control of the window by its design name.
    template <typename W>
    W* find(const char* name) {
        auto* w = window.findChild<W*>(QString::fromUtf8(name));
        if (w == nullptr) {
            qFatal("no control %s", name);
        }
        return w;
    }
};

}  // namespace rennik::test
