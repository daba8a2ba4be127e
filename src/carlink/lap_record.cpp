#include "carlink/lap_record.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/numbers.h"
#include "base/sjis.h"

namespace rennik {
namespace {

// A non-negative value as decimal digits, zero-padded to `width`.
std::string padded(std::int64_t value, std::size_t width) {
    std::string text = std::to_string(value);
    return text.size() < width ? std::string(width - text.size(), '0') + text : text;
}

// A millisecond field. The record has a fixed length that the car PC splits by position, so a
// value outside what ten digits hold is clamped rather than allowed to widen the record (a
// negative one would add a minus sign).
std::string msField(std::int64_t ms, wire::RecordField field) {
    return padded(std::clamp<std::int64_t>(ms, 0, wire::kMostFieldMs), field.length);
}

std::string twoDigits(int value) { return padded(std::clamp(value, 0, 99), 2); }

std::string timeOfDay(const LocalDateTime& t) {
    return twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
}

}  // namespace

std::int32_t ReportLapNumber(std::string_view reportUtf8) {
    const std::string_view field = sjis::firstChars(reportUtf8, wire::kLapFieldChars);
    const double value = numbers::roundHalfEven(numbers::leadingNumber(field));
    // "9e9" is three characters too: beyond the range it is still no lap the host has replied,
    // which the clamped value keeps true.
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, lo, hi));
}

std::string_view ReportMessage(std::string_view reportUtf8) {
    return reportUtf8.substr(sjis::firstChars(reportUtf8, wire::kLapFieldChars).size());
}

std::string BuildReplyBody(const Host& host, int slot) {
    const RaceState& race = host.race;
    const std::int64_t msPerTick = race.Settings.MsPerTick;

    const std::int32_t count = race.DrvLapCount[slot] > 0 ? race.DrvLapCount[slot] : 1;
    const double average =
        static_cast<double>(race.DrvLapTicksSum[slot]) / count * static_cast<double>(msPerTick);

    const LocalDateTime now = host.ports.clock.now();
    const std::string date =
        padded(std::clamp(now.year, 0, 9999), 4) + "/" + twoDigits(now.month) + "/" + twoDigits(now.day);

    // The lap field has three digits: from lap 1000 on it carries the lap modulo 1000, which is
    // also what the car echoes and what the repeat test compares with.
    std::string body = padded(wire::lapFieldNumber(race.LapCnt[slot]), wire::kRecordLap.length);
    body += msField(race.LastLapTicks[slot] * msPerTick, wire::kRecordLastLapMs);
    body += msField(race.DrvBestLapTicks[slot] * msPerTick, wire::kRecordDriverBestMs);
    body += msField(static_cast<std::int64_t>(numbers::roundHalfEven(average)), wire::kRecordDriverAverageMs);
    body += date;
    body += race.HasEndTime ? timeOfDay(now) : "00:00:00";
    body += race.HasEndTime ? timeOfDay(race.EndTime) : "00:00:00";
    return body;
}

}  // namespace rennik
