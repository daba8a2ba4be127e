// The files of the data folder as any bytes: Rennik.ini, the three master files and the run
// store. The program must load on them; a settings file written through the settings panel
// must read back to the settings in effect, and a master written by its editor must read back
// to what was saved (saving again writes the same bytes).
//
// The input: the four text files, then the edit to make (each a length-delimited string as
// FuzzedDataProvider reads them), then the run store's bytes to the end (see keepsStore for the
// inputs that run without a store).

#include <memory>
#include <string>
#include <string_view>

#include "base/sjis.h"
#include "base/text_file.h"
#include "config/car_master.h"
#include "config/course_master.h"
#include "config/driver_master.h"
#include "config/master_editor.h"
#include "config/settings_loader.h"
#include "config/settings_panel.h"
#include "fuzz/fuzz_support.h"
#include "store/run_recording.h"
#include "timing/run_control.h"

using namespace rennik;
using rennik::fuzz::check;

namespace {

std::string fileBytes(const std::filesystem::path& file) { return text_file::readBytes(file).value_or("<none>"); }

// The crew types `text` into a cell, as the binding lets them: no more than the column takes.
void type(Grid& grid, int row, int col, const std::string& text) {
    const int most = grid.columnMaxLength(col);
    grid.setCell(row, col, most > 0 ? std::string(sjis::firstChars(text, static_cast<std::size_t>(most))) : text);
}

void settingsPanel(fuzz::Program& p, int row, const std::string& value) {
    Btn_Mess_Click(p.host);
    // The precision is chosen from its list; every other value is typed.
    type(p.host.main.Spd_Mess, row, 2, row == 1 ? (value.size() % 2 == 0 ? "1/100" : "1/1000") : value);
    const auto boxes = p.fakes.dialogs.boxes.size();
    Btn_MessOk_Click(p.host);
    if (p.fakes.dialogs.boxes.size() != boxes) {
        Btn_MessCancel_Click(p.host);  // refused, or the file could not be written
        return;
    }
    // The precision counts by what it does: any text but "1/1000" (a damaged file's, kept as it
    // stands until the crew chooses one) times in 1/100.
    // Rennik.ini reads a message back as Shift-JIS holds it, and an empty one as its default.
    // Only that may differ from what the panel put into effect.
    AppSettings s = p.host.race.Settings;
    const AppSettings defaults;
    for (auto [message, byDefault] : {std::pair{&s.AutoMessLap3, &defaults.AutoMessLap3},
                                      std::pair{&s.AutoMessLap2, &defaults.AutoMessLap2},
                                      std::pair{&s.AutoMessLap1, &defaults.AutoMessLap1},
                                      std::pair{&s.AutoMessEmpty, &defaults.AutoMessEmpty}}) {
        const std::string v = sjis::toUtf8(sjis::fromUtf8(*message));
        *message = v.empty() ? *byDefault : v;
    }
    AppSettings back;
    loadSettings(back, p.host.race.IniPath);
    check(back.TicksPerSecond == s.TicksPerSecond && back.NoInputSeconds == s.NoInputSeconds &&
              back.AutoMessLap3 == s.AutoMessLap3 && back.AutoMessLap2 == s.AutoMessLap2 &&
              back.AutoMessLap1 == s.AutoMessLap1 && back.AutoMessEmpty == s.AutoMessEmpty &&
              back.DefaultCheckLaps == s.DefaultCheckLaps && back.NoInputTicks == s.NoInputTicks,
          "Rennik.ini reads back to the settings in effect",
          "typed into row " + std::to_string(row) + ": '" + value + "'; in effect '" + s.MeasurePrecision + "' " +
              std::to_string(s.NoInputSeconds) + " '" + s.AutoMessLap3 + "' '" + s.AutoMessLap2 + "' '" +
              s.AutoMessLap1 + "' '" + s.AutoMessEmpty + "' " + std::to_string(s.DefaultCheckLaps) +
              "; read back '" + back.MeasurePrecision + "' " + std::to_string(back.NoInputSeconds) + " '" +
              back.AutoMessLap3 + "' '" + back.AutoMessLap2 + "' '" + back.AutoMessLap1 + "' '" +
              back.AutoMessEmpty + "' " + std::to_string(back.DefaultCheckLaps));
}

void masterEditor(fuzz::Program& p, const MasterEditor& editor, void (*open)(Host&), void (*ok)(Host&), int row,
                  int col, const std::string& value) {
    open(p.host);
    if (row <= editor.grid.rowCount() && col < editor.grid.colCount() && col != editor.grid.buttonColumn()) {
        type(editor.grid, row, col, value);
    }
    const auto boxes = p.fakes.dialogs.boxes.size();
    ok(p.host);
    if (p.fakes.dialogs.boxes.size() != boxes) {
        return;  // the file could not be written
    }
    const std::string saved = fileBytes(editor.file);
    // Opened again, the editor shows the file; saved again, it writes the same bytes.
    open(p.host);
    ok(p.host);
    check(fileBytes(editor.file) == saved, "a master saved reads back to what was saved",
          "typed '" + value + "' at row " + std::to_string(row) + " col " + std::to_string(col) + "\nfirst:  " +
              saved.substr(0, 400) + "\nsecond: " + fileBytes(editor.file).substr(0, 400));
}

// Whether the program runs with the input's store. Without one it would make a fresh store, the
// same for every input; a store that is no SQLite file it keeps aside before making a fresh one,
// the same way whatever the bytes. So such inputs keep no runs, but for one in eight of those
// with bytes that are no SQLite file (by a checksum), which shows that way on every kind of
// input. Either way this spares the making of a store and its flusher thread.
bool keepsStore(std::string_view store) {
    if (store.empty()) {
        return false;
    }
    if (store.starts_with(std::string_view("SQLite format 3\0", 16))) {
        return true;
    }
    std::uint32_t hash = 2166136261u;
    for (const char c : store) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash % 8 == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const fuzz::DataFolder& dir = fuzz::folder();
    dir.clear(false);
    for (const char* name : {"Rennik.ini", "Car.ini", "Course.ini", "Drivers.ini"}) {
        text_file::writeBytesAtomic(dir.path() / name, in.ConsumeRandomLengthString(8192));
    }
    const std::string edit = in.ConsumeRandomLengthString(128);
    const std::string store = in.ConsumeRemainingBytesAsString();
    const bool withStore = keepsStore(store);
    if (withStore) {
        text_file::writeBytesAtomic(dir.path() / kRunStoreFile, store);
    }
    const auto at = [&](std::size_t i) { return i < edit.size() ? static_cast<unsigned char>(edit[i]) : 0; };

    fuzz::Program p(dir.path());
    p.host.keepsRuns = withStore;
    // An unfinished run in the store: measured on (Yes) or brought back stopped (No).
    p.fakes.dialogs.answerNext(at(0) & 0x80 ? Answer::No : Answer::Yes);
    p.load();
    p.fakes.dialogs.answers.clear();
    if (IsRunning(p.host.main)) {
        // Settings and masters are edited between runs only.
        p.fakes.dialogs.answerNext(Answer::Yes);
        Btn_Start_Click(p.host);
        check(!IsRunning(p.host.main), "Stop ends a resumed run");
    }
    const std::string value = sjis::toUtf8(edit.size() > 3 ? edit.substr(3) : std::string());
    const int row = at(1) % 8 + 1;
    const int col = at(2) % 5 + 1;
    switch (at(0) % 4) {
    case 0:
        settingsPanel(p, row % 7 + 1, value);
        break;
    case 1:
        masterEditor(p, CarEditor(p.host), Btn_Car_Click, Btn_CarOK_Click, row, col, value);
        break;
    case 2:
        masterEditor(p, CourseEditor(p.host), Btn_Cource_Click, Btn_CourceOK_Click, row, col, value);
        break;
    default:
        masterEditor(p, DriverEditor(p.host), Btn_Drivers_Click, Btn_DrvOk_Click, row, col, value);
        break;
    }
    return 0;
}
