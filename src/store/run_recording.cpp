#include "store/run_recording.h"

#include <chrono>

#include "base/text_file.h"
#include "report/result_file.h"
#include "store/run_recorder.h"

namespace rennik {
namespace {

std::string storeName(const Host& host) { return text_file::pathToUtf8(host.recorder->store().file()); }

void tell(Host& host, const std::string& text) {
    host.ports.dialogs.messageBox({text, "Rennik1", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
}

}  // namespace

void OpenRunStore(Host& host) {
    if (!host.keepsRuns) {
        return;
    }
    host.recorder = std::make_unique<store::RunRecorder>(host.appDir / kRunStoreFile);
    const store::StoreOpening opening = host.recorder->open(host.ports.clock.now());
    if (opening.outcome == store::StoreOpening::Outcome::InUse) {
        tell(host, "このフォルダの走行記録 " + storeName(host) +
                       " は、もう一つの Rennik1 が使っています。\nこちらの計測は走行記録に残りません。");
        host.recorder.reset();
        return;
    }
    if (opening.outcome == store::StoreOpening::Outcome::KeptAside) {
        tell(host, "走行記録ファイル " + storeName(host) + " を読み込めません。\n" + "このファイルは " +
                       text_file::pathToUtf8(opening.keptAs) + " として残し、新しい走行記録ファイルで始めます。");
    }
}

void RecordRunStart(Host& host) {
    if (!host.recorder) {
        return;
    }
    const store::RunClock clock{
        std::chrono::duration_cast<std::chrono::nanoseconds>(host.ports.ticks.startedAt().time_since_epoch()).count(),
        std::chrono::duration_cast<std::chrono::milliseconds>(host.ports.clock.instant().time_since_epoch()).count(),
        host.race.Settings.MsPerTick};
    host.recorder->begin(clock, host.race, host.main, host.ports.clock.now());
}

void RecordRun(Host& host) {
    if (host.recorder) {
        host.recorder->record(host.race, host.main, host.ports.clock.now());
    }
}

void RecordRunStop(Host& host) {
    if (!host.recorder) {
        return;
    }
    host.recorder->finish(host.race, host.main, host.ports.clock.now());
    WriteRunResult(host);
}

void KeepRunStore(Host& host) {
    if (!host.recorder || !host.recorder->failing()) {
        return;
    }
    if (host.recorder->takeFailureToTell()) {
        tell(host, "走行記録ファイル " + storeName(host) +
                       " に書き込めません。\n計測はできますが、ラップは保存されていません。\n"
                       "書き込めるようになれば、それまでの記録をまとめて保存します。");
    }
    host.recorder->retry(host.race, host.main, host.ports.clock.now());
}

}  // namespace rennik
