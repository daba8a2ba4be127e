#include "timing/run_duration.h"

#include <cstdint>
#include <optional>
#include <string>

#include "base/numbers.h"
#include "timing/date_time.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

// A box's duration: a numeric text, rounded halves to even, that fits 16 bits; nothing else.
std::optional<std::int16_t> boxValue(const TextBox& box) {
    const auto value = numbers::numericValue(box.text());
    return value ? numbers::toInt16(*value) : std::nullopt;
}

// The number of a box as the box itself takes it, the whole text ("1,000" is 1000 and "2-" is -2,
// not 1 and 2); a text the box has not checked yet reads as the number it begins with.
double boxNumber(const TextBox& box) {
    const auto value = numbers::numericValue(box.text());
    return value ? *value : numbers::leadingNumber(box.text());
}

void remember(const TextBox& box, std::int32_t& previous) { previous = boxValue(box).value_or(0); }

void checkAndApply(Host& host, TextBox& box, std::int32_t previous) {
    const auto value = boxValue(box);
    if (!value) {
        host.ports.dialogs.beep();
        box.setText("0");
        host.ports.focus.setFocus(box);
        return;
    }
    if (*value == previous || !IsRunning(host.main)) {
        return;  // unchanged, or idle: the next Start takes it
    }
    SetEndTime(host);
}

}  // namespace

void SetEndTime(Host& host) {
    RaceState& race = host.race;
    const double h = boxNumber(host.main.Txt_RunH);
    const double n = boxNumber(host.main.Txt_RunN);
    if (h == 0 && n == 0) {
        race.HasEndTime = false;
        return;
    }
    const std::optional<std::int16_t> hours = numbers::toInt16(h);
    const std::optional<std::int16_t> minutes = numbers::toInt16(n);
    if (!hours || !minutes) {
        race.HasEndTime = false;
        return;
    }
    race.EndTime = AddMinutes(race.StartTime, std::int64_t{*hours} * 60 + *minutes);
    race.HasEndTime = true;
}

void Txt_RunH_GotFocus(Host& host) { remember(host.main.Txt_RunH, host.race.PrevRunH); }
void Txt_RunN_GotFocus(Host& host) { remember(host.main.Txt_RunN, host.race.PrevRunN); }
void Txt_RunH_LostFocus(Host& host) { checkAndApply(host, host.main.Txt_RunH, host.race.PrevRunH); }
void Txt_RunN_LostFocus(Host& host) { checkAndApply(host, host.main.Txt_RunN, host.race.PrevRunN); }

}  // namespace rennik
