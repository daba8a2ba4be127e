#include "report/csv_save.h"

#include <string>

#include "base/text_file.h"
#include "core/host.h"
#include "report/csv_export.h"
#include "report/result_file.h"

namespace rennik {
namespace {

// The save dialog's file types, in the order of csv::Encoding.
constexpr const char* kCsvFilter = "CSV Shift-JIS (*.csv)|*.csv|CSV UTF-8 BOM付き (*.csv)|*.csv";

const char* tableName(CsvTable table) {
    switch (table) {
    case CsvTable::Laps:
        return "ラップ";
    case CsvTable::Stints:
        return "スティント";
    case CsvTable::Drivers:
        return "ドライバ";
    }
    return "";
}

std::string tableText(const MainScreen& screen, const RaceState& race, CsvTable table) {
    const Grid& laps = screen.car.Spd_LapTime;
    if (table == CsvTable::Laps) {
        return csv::laps(laps, race.Settings);
    }
    LapRowCache rows;
    const std::vector<Stint> stints = StintsOf(rows.rows(laps));
    if (table == CsvTable::Stints) {
        return csv::stints(stints, race.Settings);
    }
    return csv::drivers(DriverTotalsOf(stints), race.Settings);
}

// "もてぎ 8時間_2026-12-08_0900_ラップ.csv": the result file's name with the table's.
std::string offeredName(const MainScreen& screen, const RaceState& race, CsvTable table) {
    std::string name = ResultFileName(screen.Txt_Event.text(), race.StartTime);
    name.erase(name.size() - 4);  // ".txt"
    return name + "_" + tableName(table) + ".csv";
}

}  // namespace

void SaveCsvFile(Host& host, const MainScreen& screen, const RaceState& race, CsvTable table) {
    const std::string offered =
        text_file::pathToUtf8(host.appDir / text_file::pathFromUtf8(offeredName(screen, race, table)));
    const SaveFileAnswer answer = host.ports.dialogs.saveFileName({"CSV保存", kCsvFilter, offered});
    if (answer.path.empty()) {
        return;
    }
    const auto encoding = answer.filter == 1 ? csv::Encoding::Utf8Bom : csv::Encoding::ShiftJis;
    const std::string text = tableText(screen, race, table);
    if (encoding == csv::Encoding::ShiftJis) {
        if (const std::size_t lacking = csv::charsShiftJisLacks(text); lacking != 0) {
            const Answer go = host.ports.dialogs.messageBox(
                {"Shift-JIS で表せない文字が " + std::to_string(lacking) +
                     " 文字あります。「?」に置き換えて保存しますか？\n"
                     "「CSV UTF-8 BOM付き」を選ぶと、そのままの文字で保存できます。",
                 "Rennik1", MsgIcon::Question, MsgButtons::YesNo, Answer::No});
            if (go != Answer::Yes) {
                return;
            }
        }
    }
    const std::filesystem::path file = text_file::pathFromUtf8(answer.path);
    RemoveLeftoverResultTemporaries(file.parent_path(), text_file::pathToUtf8(file.filename()));
    if (const WriteResult written = text_file::writeBytesAtomic(file, csv::encode(text, encoding)); !written) {
        host.ports.dialogs.messageBox({"ファイル " + answer.path + " に書き込めません。\n" + FileErrorText(written) +
                                           "\n走行の記録は画面に残っています。別の場所を選んで保存してください。",
                                       "Rennik1", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
    }
}

}  // namespace rennik
