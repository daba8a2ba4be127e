#include "report/result_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <vector>

#include "base/sjis.h"
#include "base/temporary_files.h"
#include "base/text_file.h"
#include "core/host.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

const std::string kSeparator(40, '-');

// A cell as one field of a line: a line break in a remark or a message would split the line of
// the file, so CR and LF are written as blanks. Commas stay as they are, unescaped.
std::string field(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return out;
}

bool isBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

void carLines(const CarPanel& car, std::vector<std::string>& lines) {
    lines.push_back(kSeparator);
    lines.push_back(field(car.Frm_Runner.caption()));
    lines.push_back("車輌名:" + field(car.Cmb_Car.text()));
    lines.push_back(kSeparator);
    // A row without a time (the lap in progress at Stop, or one a correction added) gives no
    // line; the lines after it keep their own lap numbers.
    const Grid& laps = car.Spd_LapTime;
    for (int r = 1; r <= laps.rowCount(); ++r) {
        if (isBlank(laps.cell(r, LapColumn::Time))) {
            continue;
        }
        lines.push_back(std::to_string(r) + "," + field(laps.cell(r, LapColumn::Time)) + "," +
                        field(laps.cell(r, LapColumn::Driver)) + "," +
                        field(laps.cell(r, LapColumn::Remark)) + "," +
                        field(laps.cell(r, LapColumn::MessageLog)));
    }
    lines.push_back(kSeparator);
    lines.push_back("個人集計");
    lines.push_back(kSeparator);
    const Grid& drivers = car.Spd_DriverInfo;
    for (int r = 1; r <= drivers.rowCount(); ++r) {
        lines.push_back(field(drivers.cell(r, DriverColumn::Name)) + "," +
                        field(drivers.cell(r, DriverColumn::BestLap)) + "," +
                        field(drivers.cell(r, DriverColumn::AveLap)));
    }
}

}  // namespace

std::string ResultFileBytes(const MainScreen& screen) {
    std::vector<std::string> lines{
        "イベント名:" + field(screen.Txt_Event.text()),
        "日付:" + field(screen.Txt_Date.text()),
        "天気:" + field(screen.Cmb_Tenki.text()),
        "気温:" + field(screen.Txt_Kion.text()),
        "",
    };
    if (!screen.car.Lbl_IP.caption().empty()) {
        carLines(screen.car, lines);
    }
    return sjis::fromUtf8(text_file::joinLinesCrLf(lines));
}

std::string ResultFileName(const std::string& eventName, const LocalDateTime& start) {
    // A name longer than this would make a path some file systems refuse.
    constexpr std::size_t kMostEventChars = 60;
    std::string event;
    for (const char c : sjis::firstChars(eventName, kMostEventChars)) {
        const bool refused = static_cast<unsigned char>(c) < 0x20 ||
                             std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
        event += refused ? '_' : c;
    }
    // Windows drops blanks and dots at the end of a name, and a name of blanks is none.
    while (!event.empty() && (event.back() == ' ' || event.back() == '.')) {
        event.pop_back();
    }
    if (event.find_first_not_of(' ') == std::string::npos) {
        event.clear();
    }
    std::string stamp;
    if (start.year > 0) {
        stamp = std::to_string(start.year) + "-" + TwoDigits(start.month) + "-" + TwoDigits(start.day) + "_" +
                TwoDigits(start.hour) + TwoDigits(start.minute);
    }
    if (event.empty() && stamp.empty()) {
        return "走行結果.txt";
    }
    return event + (event.empty() || stamp.empty() ? "" : "_") + stamp + ".txt";
}

void WriteRunResult(Host& host) {
    const LocalDateTime& start = host.race.StartTime;
    const std::filesystem::path folder = host.appDir / kResultsFolder;
    const std::string stamp = std::to_string(start.year) + "-" + TwoDigits(start.month) + "-" +
                              TwoDigits(start.day) + "_" + TwoDigits(start.hour) + TwoDigits(start.minute);
    std::filesystem::path file = folder / (stamp + ".txt");
    std::error_code error;
    for (int n = 2; std::filesystem::exists(file, error) && n < 1000; ++n) {
        file = folder / (stamp + "_" + std::to_string(n) + ".txt");
    }
    std::filesystem::create_directories(folder, error);
    if (const WriteResult written = text_file::writeBytesAtomic(file, ResultFileBytes(host.main)); !written) {
        host.ports.dialogs.messageBox(
            {"走行結果を " + text_file::pathToUtf8(file) + " に書き込めません。\n" + FileErrorText(written) +
                 "\n走行結果は画面と走行記録に残っています。「走行結果 保存」で保存してください。",
             "Rennik1", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
    }
}

void Btn_Write_Click(Host& host) { SaveResultFile(host, host.main, host.race.StartTime); }

void SaveResultFile(Host& host, const MainScreen& screen, const LocalDateTime& start) {
    // The dialog opens in the data folder with a name the crew can keep, so one run's result
    // does not overwrite another's by a slip of the Enter key.
    const std::string offered = text_file::pathToUtf8(
        host.appDir / text_file::pathFromUtf8(ResultFileName(screen.Txt_Event.text(), start)));
    const std::string name = host.ports.dialogs.saveFileName(
        {"ファイル書込", "テキストデータ (*.txt)|*.txt|全てのファイル (*.*)|*.*", offered}).path;
    if (name.empty()) {
        return;
    }
    // A folder the crew saves into may hold the leftovers of an earlier save there that was cut
    // short; this is the first chance to clear them.
    const std::filesystem::path file = text_file::pathFromUtf8(name);
    RemoveLeftoverResultTemporaries(file.parent_path(), text_file::pathToUtf8(file.filename()));
    if (const WriteResult written = text_file::writeBytesAtomic(file, ResultFileBytes(screen)); !written) {
        host.ports.dialogs.messageBox(
            {"ファイル " + name + " に書き込めません。\n" + FileErrorText(written) +
                 "\n走行結果は画面に残っています。別の場所を選んで保存してください。",
             "Rennik1", MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
    }
}

void RemoveLeftoverResultTemporaries(const std::filesystem::path& folder, const std::string& savedName) {
    text_file::removeLeftoverTemporaries(folder, [&savedName](const std::string& name) {
        std::string end = name.size() > 4 ? name.substr(name.size() - 4) : std::string();
        std::transform(end.begin(), end.end(), end.begin(), [](unsigned char c) { return std::tolower(c); });
        return end == ".txt" || (!savedName.empty() && name == savedName);
    });
}

}  // namespace rennik
