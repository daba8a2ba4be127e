#include "config/settings_loader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/numbers.h"
#include "base/text_file.h"
#include "config/profile.h"

namespace rennik {
namespace {

constexpr std::string_view kMeasureSection = "計測環境設定";
constexpr std::string_view kPrecisionKey = "計測精度";
constexpr std::string_view kNoInputKey = "ラップ加算無通信秒数";
constexpr std::string_view kMessageSection = "自動メッセージ設定";
constexpr std::string_view kCheckLapsKey = "チェック時のデフォルト周数";
constexpr std::string_view kLap3Key = "残り３周の自動メッセージ";
constexpr std::string_view kLap2Key = "残り２周の自動メッセージ";
constexpr std::string_view kLap1Key = "残り１周の自動メッセージ";
constexpr std::string_view kEmptyKey = "残りが無くなった時の自動メッセージ";

constexpr std::int16_t kDefaultNoInputSeconds = 10;
constexpr std::int32_t kDefaultCheckLaps = 10;

// True when the text, after blanks, starts like a number: an optional sign, then a digit or a
// decimal point followed by a digit. Tells "0 laps" from text that holds no number at all,
// which the lenient reader both reads as 0.
bool beginsWithNumber(std::string_view text) {
    std::size_t i = text.find_first_not_of(" \t");
    if (i != std::string_view::npos && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    auto digitAt = [&](std::size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
    return digitAt(i) || (i < text.size() && text[i] == '.' && digitAt(i + 1));
}

// The default lap count as stored: a whole number text ("12", "1,000", " 7 ") by the strict
// rule; otherwise the number the text begins with ("12 laps"); otherwise, or when the number
// does not fit 32 bits, nothing, so that the caller keeps the default.
std::optional<std::int32_t> checkLapsValue(std::string_view text) {
    std::optional<double> number = numbers::numericValue(text);
    if (!number && beginsWithNumber(text)) {
        number = numbers::leadingNumber(text);
    }
    return number ? numbers::toInt32(*number) : std::nullopt;
}

// The stored seconds when they lie from 1 to 99 after rounding; a text that does not begin with
// a number counts as 0 and is refused like any other value out of range.
std::optional<std::int16_t> noInputSecondsValue(std::string_view text) {
    const double seconds = numbers::roundHalfEven(numbers::leadingNumber(text));
    if (seconds >= 1 && seconds <= 99) {
        return static_cast<std::int16_t>(seconds);
    }
    return std::nullopt;
}

// Reads one text key; a missing or empty one takes `fallback`, which is written back at once.
std::string textOrDefault(const std::filesystem::path& iniPath, std::string_view section,
                          std::string_view key, std::string_view fallback) {
    profile::ReadResult read = profile::readIni(iniPath, section, key);
    if (read.count > 0) {
        return std::move(read.value);
    }
    profile::writeIni(section, key, fallback, iniPath);
    return std::string(fallback);
}

}  // namespace

void loadSettings(AppSettings& settings, const std::filesystem::path& iniPath) {
    settings.setMeasurePrecision(textOrDefault(iniPath, kMeasureSection, kPrecisionKey, "1/1000"));

    // A stored value out of range gives the default in memory only; the file keeps its text.
    const profile::ReadResult seconds = profile::readIni(iniPath, kMeasureSection, kNoInputKey);
    if (seconds.count > 0) {
        settings.setNoInputSeconds(noInputSecondsValue(seconds.value).value_or(kDefaultNoInputSeconds));
    } else {
        settings.setNoInputSeconds(kDefaultNoInputSeconds);
        profile::writeIni(kMeasureSection, kNoInputKey, std::to_string(kDefaultNoInputSeconds), iniPath);
    }

    settings.AutoMessLap3 = textOrDefault(iniPath, kMessageSection, kLap3Key, "あと３周でピットインです。");
    settings.AutoMessLap2 = textOrDefault(iniPath, kMessageSection, kLap2Key, "あと２周でピットインです。");
    settings.AutoMessLap1 =
        textOrDefault(iniPath, kMessageSection, kLap1Key, "次の周でピットインしてください。");
    settings.AutoMessEmpty = textOrDefault(iniPath, kMessageSection, kEmptyKey, "はよピットインせんかい！");

    // A value that holds no usable number gives the default in memory only, as for the seconds.
    const profile::ReadResult laps = profile::readIni(iniPath, kMessageSection, kCheckLapsKey);
    if (laps.count > 0) {
        settings.DefaultCheckLaps = checkLapsValue(laps.value).value_or(kDefaultCheckLaps);
    } else {
        settings.DefaultCheckLaps = kDefaultCheckLaps;
        profile::writeIni(kMessageSection, kCheckLapsKey, std::to_string(kDefaultCheckLaps), iniPath);
    }
}

WriteResult saveSettings(const AppSettings& settings, const std::filesystem::path& iniPath) {
    const std::pair<std::string_view, std::string_view> keys[] = {
        {kMeasureSection, kPrecisionKey}, {kMeasureSection, kNoInputKey}, {kMessageSection, kLap3Key},
        {kMessageSection, kLap2Key},      {kMessageSection, kLap1Key},    {kMessageSection, kEmptyKey},
        {kMessageSection, kCheckLapsKey}};
    const std::string values[] = {settings.MeasurePrecision,
                                  std::to_string(settings.NoInputSeconds),
                                  settings.AutoMessLap3,
                                  settings.AutoMessLap2,
                                  settings.AutoMessLap1,
                                  settings.AutoMessEmpty,
                                  std::to_string(settings.DefaultCheckLaps)};
    WriteResult first;
    for (std::size_t k = 0; k < std::size(keys); ++k) {
        const WriteResult written = profile::writeIni(keys[k].first, keys[k].second, values[k], iniPath);
        if (first && !written) {
            first = written;
        }
    }
    return first;
}

bool settingsFileUnreadable(const std::filesystem::path& iniPath) {
    using std::filesystem::file_type;
    std::error_code error;
    const file_type type = std::filesystem::symlink_status(iniPath, error).type();
    return type != file_type::not_found && type != file_type::none && !text_file::readBytes(iniPath);
}

}  // namespace rennik
