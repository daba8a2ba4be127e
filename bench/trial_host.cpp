// rennik1-trial-host: the pit host as the program runs it (the main window on the offscreen
// platform, the real clocks, UDP sockets and event loop, the run store) in the data folder --dir,
// for the kill trials. Every box is answered with its default button, so an unfinished run found
// in the folder's run store is resumed. Without one it enters 127.0.0.1 as the car PC's address
// and presses Start. Then it prints one line and runs until it is killed:
//
//     ready started|resumed laps N steady_ns T
//
// N is the lap count the run starts or resumes with, T the moment the car link was open, on the
// monotonic clock (std::chrono::steady_clock, nanoseconds since its epoch). Every box the host
// asks goes to stderr as "box: TITLE: TEXT".
//
// With --die-after-commit-of-lap L it kills itself (SIGKILL) the moment the run store has
// committed lap L, which is before the reply that tells the car of it goes out: the worst moment
// a crash can choose, which a kill from outside hits only by chance.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <csignal>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/text_file.h"
#include "rig/host_rig.h"
#include "timing/run_control.h"

using namespace rennik;

namespace {

void tellBox(const MessageBoxRequest& box) {
    std::fprintf(stderr, "box: %s: %s\n", box.title.c_str(), box.text.c_str());
}

// Ends the process at once, as a crash or a killed task would: nothing is flushed or closed.
[[noreturn]] void dieNow() {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 9);
#else
    std::raise(SIGKILL);
#endif
    std::abort();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("The Rennik1 host for the kill trials: starts or resumes a run "
                       "with the car PC at 127.0.0.1 and runs until killed."));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("dir"), QStringLiteral("Data folder (Rennik.ini, the run store); must exist."),
         QStringLiteral("DIR")},
        {QStringLiteral("no-input"),
         QStringLiteral("Seconds without communication before a lap is added (default 1)."),
         QStringLiteral("S"), QStringLiteral("1")},
        {QStringLiteral("die-after-commit-of-lap"),
         QStringLiteral("Kill this process the moment the run store has committed lap L, before its reply."),
         QStringLiteral("L"), QStringLiteral("0")},
    });
    p.process(app);
    const QString dir = p.value(QStringLiteral("dir"));
    if (dir.isEmpty() || !QDir(dir).exists()) {
        std::fprintf(stderr, "rennik1-trial-host: --dir must name an existing folder\n");
        return EXIT_FAILURE;
    }

    e2e::HostRig rig(text_file::pathFromUtf8(QDir(dir).absolutePath().toStdString()),
                     std::max(1, p.value(QStringLiteral("no-input")).toInt()));
    // The rig's own temporary folder stays unused here, and a process that is killed never gets
    // to remove it: it goes at once.
    std::error_code ignored;
    std::filesystem::remove(rig.dir.path(), ignored);
    // The boxes of the start-up (the resume question among them), then each as it is asked.
    for (const MessageBoxRequest& box : rig.dialogs.boxes) {
        tellBox(box);
    }
    rig.dialogs.whileOpen = tellBox;
    rig.window.show();

    const bool resumed = IsRunning(rig.host.main);
    if (!resumed) {
        rig.enterAddress("127.0.0.1");
        rig.start();
    }
    if (!IsRunning(rig.host.main)) {
        std::fprintf(stderr, "rennik1-trial-host: the run did not %s\n", resumed ? "resume" : "start");
        return EXIT_FAILURE;
    }
    if (const int lap = p.value(QStringLiteral("die-after-commit-of-lap")).toInt();
        lap > 0 && rig.host.recorder) {
        // A commit after which lap L has its time is the one that recorded it; its reply goes
        // out after this observer returns.
        rig.host.recorder->setCommitObserver([&rig, lap](std::chrono::nanoseconds) {
            const Grid& laps = rig.host.main.car.Spd_LapTime;
            if (rig.host.race.LapCnt[0] == lap && laps.rowCount() >= lap &&
                !laps.cell(lap, LapColumn::Time).empty()) {
                std::fprintf(stderr, "rennik1-trial-host: killed after the commit of lap %d\n", lap);
                dieNow();
            }
        });
    }
    const auto open = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("ready %s laps %d steady_ns %lld\n", resumed ? "resumed" : "started", rig.host.race.LapCnt[0],
                static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(open).count()));
    std::fflush(stdout);
    return app.exec();
}
