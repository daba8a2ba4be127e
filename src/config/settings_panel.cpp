#include "config/settings_panel.h"

#include <optional>
#include <string>

#include "base/numbers.h"
#include "base/sjis.h"
#include "base/text_file.h"
#include "config/master_editor.h"
#include "config/settings_loader.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

constexpr int kValueColumn = 2;
enum Row { kPrecision = 1, kSeconds, kLap3, kLap2, kLap1, kEmpty, kCheckLaps };

const char* const kLabels[] = {"計測精度",
                               "ラップ加算無通信秒数 (1～99)",
                               "残り３周の自動メッセージ",
                               "残り２周の自動メッセージ",
                               "残り１周の自動メッセージ",
                               "残りが無くなった時の自動メッセージ",
                               "自動メッセージチェック時のデフォルト周数"};

// A message as it is kept: commas become blanks (they are not trimmed), and so do line breaks
// and other control characters, so that no message can add a line or a key to Rennik.ini.
std::string storedMessage(const std::string& cell) {
    std::string text(sjis::firstChars(cell, kAutoMessMaxChars));
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == ',' || u < 0x20 || u == 0x7F) {
            c = ' ';
        }
    }
    return text;
}

// Refuses a value: the box, then the cursor on its cell and the panel left open.
void refuse(Host& host, Grid& grid, int row, const std::string& text) {
    host.ports.dialogs.messageBox({text, "Rennik1", MsgIcon::None, MsgButtons::Ok, Answer::Ok});
    grid.setActiveCell(row, kValueColumn);
    host.ports.focus.setFocus(grid);
}

}  // namespace

void Btn_Mess_Click(Host& host) {
    MainScreen& m = host.main;
    const AppSettings& s = host.race.Settings;
    Grid& grid = m.Spd_Mess;
    grid.setRowCount(7);
    for (int row = 1; row <= 7; ++row) {
        grid.setCell(row, 1, kLabels[row - 1]);
    }
    grid.setCellChoices(kPrecision, kValueColumn, {"1/100", "1/1000"});
    grid.setCell(kPrecision, kValueColumn, s.MeasurePrecision);
    grid.setCell(kSeconds, kValueColumn, std::to_string(s.NoInputSeconds));
    grid.setCell(kLap3, kValueColumn, s.AutoMessLap3);
    grid.setCell(kLap2, kValueColumn, s.AutoMessLap2);
    grid.setCell(kLap1, kValueColumn, s.AutoMessLap1);
    grid.setCell(kEmpty, kValueColumn, s.AutoMessEmpty);
    grid.setCell(kCheckLaps, kValueColumn, std::to_string(s.DefaultCheckLaps));
    grid.setActiveCell(kPrecision, kValueColumn);
    OpenEditorFrame(host, m.Frm_Mess, grid);
}

void Btn_MessOk_Click(Host& host) {
    MainScreen& m = host.main;
    RaceState& race = host.race;
    AppSettings& s = race.Settings;
    Grid& grid = m.Spd_Mess;
    // Taken over at once, before the checks, as the panel always has: a refused save keeps it.
    s.setMeasurePrecision(grid.cell(kPrecision, kValueColumn));

    const double seconds = numbers::roundHalfEven(numbers::leadingNumber(grid.cell(kSeconds, kValueColumn)));
    if (!(seconds >= 1 && seconds <= 99)) {
        refuse(host, grid, kSeconds, "無通信ラップ加算秒数が不正です。１から99までで指定してください。");
        return;
    }
    s.setNoInputSeconds(static_cast<std::int16_t>(seconds));

    s.AutoMessLap3 = storedMessage(grid.cell(kLap3, kValueColumn));
    s.AutoMessLap2 = storedMessage(grid.cell(kLap2, kValueColumn));
    s.AutoMessLap1 = storedMessage(grid.cell(kLap1, kValueColumn));
    s.AutoMessEmpty = storedMessage(grid.cell(kEmpty, kValueColumn));

    // Beyond 32 bits the count could not be stored; it is refused like the seconds.
    const auto laps = numbers::toInt32(numbers::leadingNumber(grid.cell(kCheckLaps, kValueColumn)));
    if (!laps) {
        refuse(host, grid, kCheckLaps,
               "自動メッセージチェック時のデフォルト周数が不正です。-"
               "2147483648から2147483647までで指定してください。");
        return;
    }
    s.DefaultCheckLaps = *laps;

    const WriteResult written = saveSettings(s, race.IniPath);
    CloseEditorFrame(host, m.Frm_Mess);
    for (CarPanel& car : m.panels()) {
        car.Lbl_Time.setCaption(LapTimeText(0, s));
    }
    if (!written) {
        host.ports.dialogs.messageBox({"設定ファイル " + text_file::pathToUtf8(race.IniPath) +
                                           " に書き込めません。\n" + FileErrorText(written) +
                                           "\n設定はこのまま有効ですが、次の起動では元の設定に戻ります。",
                                       "Rennik1", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
    }
}

void Btn_MessCancel_Click(Host& host) { CloseEditorFrame(host, host.main.Frm_Mess); }

void Spd_Mess_CellChanged(Host& host, int col, int row, int /*fromCol*/, int fromRow) {
    if (col != kValueColumn) {
        host.main.Spd_Mess.setActiveCell(fromRow >= 1 ? fromRow : row, kValueColumn);
    }
}

}  // namespace rennik
