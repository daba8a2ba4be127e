#include "report/csv_export.h"

#include <algorithm>
#include <cstdint>

#include "base/sjis.h"
#include "carlink/lap_table.h"
#include "core/main_screen.h"
#include "timing/time_format.h"

namespace rennik::csv {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string msText(std::int64_t ticks, const AppSettings& settings) {
    return std::to_string(ticks * settings.MsPerTick);
}

std::string lapText(const std::optional<std::int32_t>& ticks, const AppSettings& settings) {
    return ticks ? LapTimeText(*ticks, settings) : std::string();
}

std::string lapNumber(const LapFigures& f) { return f.bestTicks ? std::to_string(f.bestLap) : std::string(); }

// The figures common to a stint and a driver's total.
void appendFigures(std::vector<std::string>& record, const LapFigures& f, const AppSettings& settings) {
    record.push_back(std::to_string(f.laps));
    // Whole seconds; the milliseconds column beside it is exact.
    record.push_back(DrivingTimeText(f.drivingTicks, settings));
    record.push_back(msText(f.drivingTicks, settings));
    record.push_back(lapText(f.bestTicks, settings));
    record.push_back(lapNumber(f));
    record.push_back(lapText(f.averageTicks(), settings));
}

}  // namespace

std::string field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

std::string records(const std::vector<std::vector<std::string>>& rows) {
    std::string out;
    for (const std::vector<std::string>& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i != 0) {
                out += ',';
            }
            out += field(row[i]);
        }
        out += "\r\n";
    }
    return out;
}

std::string encode(std::string_view utf8, Encoding encoding) {
    if (encoding == Encoding::Utf8Bom) {
        return std::string(kByteOrderMark) + std::string(utf8);
    }
    return sjis::fromUtf8(utf8);
}

std::size_t charsShiftJisLacks(std::string_view utf8) {
    const std::string encoded = sjis::fromUtf8(utf8);
    const auto marks = [](std::string_view s) { return static_cast<std::size_t>(std::count(s.begin(), s.end(), '?')); };
    return marks(encoded) - std::min(marks(encoded), marks(utf8));
}

std::string laps(const Grid& lapTable, const AppSettings& settings) {
    std::vector<std::vector<std::string>> rows{{"周回", "タイム", "タイム(ms)", "ドライバ", "備考", "メッセージ"}};
    for (int r = 1; r <= lapTable.rowCount(); ++r) {
        const std::optional<double> ticks = RowLapTicks(lapTable, r);
        rows.push_back({std::to_string(r), lapTable.cell(r, LapColumn::Time),
                        ticks ? msText(static_cast<std::int64_t>(*ticks), settings) : std::string(),
                        lapTable.cell(r, LapColumn::Driver), lapTable.cell(r, LapColumn::Remark),
                        lapTable.cell(r, LapColumn::MessageLog)});
    }
    return records(rows);
}

std::string stints(std::span<const Stint> stints, const AppSettings& settings) {
    std::vector<std::vector<std::string>> rows{{"スティント", "ドライバ", "開始周", "終了周", "周回数", "運転時間",
                                                "運転時間(ms)", "ベストラップ", "ベスト周", "平均ラップ"}};
    int n = 0;
    for (const Stint& s : stints) {
        std::vector<std::string> record{std::to_string(++n), s.driver, std::to_string(s.firstLap),
                                        std::to_string(s.lastLap)};
        appendFigures(record, s.figures, settings);
        rows.push_back(std::move(record));
    }
    return records(rows);
}

std::string drivers(std::span<const DriverTotal> totals, const AppSettings& settings) {
    std::vector<std::vector<std::string>> rows{
        {"ドライバ", "スティント数", "周回数", "運転時間", "運転時間(ms)", "ベストラップ", "ベスト周", "平均ラップ"}};
    for (const DriverTotal& t : totals) {
        std::vector<std::string> record{t.driver, std::to_string(t.stints)};
        appendFigures(record, t.figures, settings);
        rows.push_back(std::move(record));
    }
    return records(rows);
}

}  // namespace rennik::csv
