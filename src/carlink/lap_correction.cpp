#include "carlink/lap_correction.h"

#include <optional>
#include <string>

#include "base/numbers.h"
#include "carlink/car_contact.h"
#include "carlink/lap_counter.h"
#include "drivers/driver_popup.h"
#include "messages/pit_messages.h"

namespace rennik {
namespace {

// The lap a correction answer names: the number it begins with, rounded; nothing for an answer
// that names no lap (no number, 0, below 0, or beyond any run).
std::optional<std::int32_t> answeredLap(const std::string& answer) {
    const auto lap = numbers::toInt32(numbers::leadingNumber(answer));
    if (!lap || *lap < 1 || *lap > kMaxCorrectedLap) {
        return std::nullopt;
    }
    return lap;
}

// The ticks of a lap time typed as minutes ' seconds " fraction, where the fraction counts ticks
// (1'23"5 is 83005 at 1/1000). Nothing when a part is missing or no number, or when the time is
// below zero or beyond 32 bits of ticks.
std::optional<std::int32_t> typedLapTicks(const std::string& text, int ticksPerSecond) {
    std::string buffer;
    std::optional<std::string> minutes;
    std::optional<std::string> seconds;
    // Each mark once, the minutes' before the seconds': 35"079'1 is no lap time, not 79'35"001.
    for (const char c : text) {
        if (c == '\'') {
            if (minutes || seconds) {
                return std::nullopt;
            }
            minutes = buffer;
            buffer.clear();
        } else if (c == '"') {
            if (!minutes || seconds) {
                return std::nullopt;
            }
            seconds = buffer;
            buffer.clear();
        } else {
            buffer += c;
        }
    }
    if (!minutes || !seconds) {
        return std::nullopt;
    }
    const auto m = numbers::numericValue(*minutes);
    const auto s = numbers::numericValue(*seconds);
    const auto f = numbers::numericValue(buffer);
    if (!m || !s || !f) {
        return std::nullopt;
    }
    const double ticks = (*m * 60.0 + *s) * ticksPerSecond + *f;
    const auto whole = numbers::toInt32(ticks);
    if (!whole || *whole < 0) {
        return std::nullopt;
    }
    return whole;
}

}  // namespace

void Btn_LapChg_Click(Host& host, int slot) {
    CloseDriverPopup(host, slot);
    // A correction takes the car's next report as the end of a lap. Made while the car is in
    // reach, that report is only its next repeat, and the lap would last a fraction of a second.
    if (CarInReach(host, slot) &&
        host.ports.dialogs.messageBox({"車輌と通信中です。\nLap修正は車輌が圏外にいる間に行ってください。\n"
                                       "このまま修正しますか？",
                                       "Rennik1", MsgIcon::Exclamation, MsgButtons::YesNo, Answer::No}) !=
            Answer::Yes) {
        return;
    }
    RaceState& race = host.race;
    const std::string answer =
        host.ports.dialogs.inputBox("今何周目ですか？", "Ｌａｐ修正", std::to_string(race.LapCnt[slot]));
    if (answer.empty()) {
        return;  // Cancel
    }
    const auto lap = answeredLap(answer);
    if (!lap) {
        host.ports.dialogs.beep();
        return;
    }
    if (*lap == race.LapCnt[slot]) {
        return;
    }
    if (*lap < race.LapCnt[slot]) {
        const Answer sure =
            host.ports.dialogs.messageBox({"測定された" + FullWidth(std::to_string(*lap)) +
                                               "周値以降のＬＡＰ内容が削除されます。よろしいですか？",
                                           "Ｌａｐ値確認", MsgIcon::Critical, MsgButtons::YesNo, Answer::No});
        if (sure == Answer::No) {
            return;
        }
    }
    // Read again after the box: laps may have come in while it was open.
    CarPanel& car = host.main.panel(slot);
    LapCounter(race, slot).correct(*lap);
    car.Lbl_LapCnt.setCaption(std::to_string(*lap) + "周目");
    car.Spd_LapTime.setRowCount(*lap);
    car.Spd_LapTime.setActiveCell(*lap, LapColumn::Time);
}

void Spd_LapTime_EditStarted(Host& host, int slot, int col, int row) {
    host.race.LapEditSaveText[slot] = host.main.panel(slot).Spd_LapTime.cell(row, col);
}

void Spd_LapTime_EditFinished(Host& host, int slot, int col, int row) {
    if (col != LapColumn::Time) {
        return;
    }
    Grid& table = host.main.panel(slot).Spd_LapTime;
    if (const auto ticks = typedLapTicks(table.cell(row, col), host.race.Settings.TicksPerSecond)) {
        table.setCell(row, LapColumn::Ticks, std::to_string(*ticks));
        return;
    }
    host.ports.dialogs.messageBox(
        {"入力が不正です。", "Rennik1", MsgIcon::Critical, MsgButtons::Ok, Answer::Ok});
    table.setCell(row, col, host.race.LapEditSaveText[slot]);
}

}  // namespace rennik
