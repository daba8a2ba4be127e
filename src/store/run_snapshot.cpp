#include "store/run_snapshot.h"

#include <charconv>
#include <cstdio>
#include <functional>

namespace rennik::store {
namespace {

// One named value: how it is read from the state and screen, and how it is put back.
struct Field {
    std::string key;
    std::function<std::string(const RaceState&, const MainScreen&)> get;
    std::function<void(RaceState&, MainScreen&, const std::string&)> set;
};

template <typename T>
bool parse(const std::string& text, T& out) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    out = value;
    return true;
}

template <typename T>
std::string print(T value) {
    // The shortest text that reads back to the same value, floats included.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string dateTimeText(const LocalDateTime& t) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buffer;
}

bool parseDateTime(const std::string& text, LocalDateTime& out) {
    LocalDateTime t;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second) != 6) {
        return false;
    }
    out = t;
    return true;
}

std::string textOf(const Captioned& c) { return c.caption(); }
std::string textOf(const TextBox& t) { return t.text(); }
std::string textOf(const CheckBox& c) { return print(c.value()); }
void putText(Captioned& c, const std::string& v) { c.setCaption(v); }
void putText(TextBox& t, const std::string& v) { t.setText(v); }
void putText(CheckBox& c, const std::string& v) {
    int value = 0;
    if (parse(v, value)) {
        c.setValue(value);
    }
}

// Fields of the race-wide state.
template <typename T>
Field raceField(std::string key, T RaceState::*member) {
    return {std::move(key), [member](const RaceState& r, const MainScreen&) { return print(r.*member); },
            [member](RaceState& r, MainScreen&, const std::string& v) { parse(v, r.*member); }};
}

Field raceText(std::string key, std::string RaceState::*member) {
    return {std::move(key), [member](const RaceState& r, const MainScreen&) { return r.*member; },
            [member](RaceState& r, MainScreen&, const std::string& v) { r.*member = v; }};
}

Field raceFlag(std::string key, bool RaceState::*member) {
    return {std::move(key), [member](const RaceState& r, const MainScreen&) { return std::string(r.*member ? "1" : "0"); },
            [member](RaceState& r, MainScreen&, const std::string& v) { r.*member = v == "1"; }};
}

Field raceTime(std::string key, LocalDateTime RaceState::*member) {
    return {std::move(key), [member](const RaceState& r, const MainScreen&) { return dateTimeText(r.*member); },
            [member](RaceState& r, MainScreen&, const std::string& v) { parseDateTime(v, r.*member); }};
}

// Fields of a car slot's part of the race state: "car0.LapCnt".
template <typename T>
Field slotField(int slot, const char* name, PerCar<T> RaceState::*member) {
    const std::size_t i = static_cast<std::size_t>(slot);
    return {"car" + std::to_string(slot) + "." + name,
            [member, i](const RaceState& r, const MainScreen&) {
                if constexpr (std::is_same_v<T, std::string>) {
                    return (r.*member)[i];
                } else if constexpr (std::is_same_v<T, bool>) {
                    return std::string((r.*member)[i] ? "1" : "0");
                } else {
                    return print((r.*member)[i]);
                }
            },
            [member, i](RaceState& r, MainScreen&, const std::string& v) {
                if constexpr (std::is_same_v<T, std::string>) {
                    (r.*member)[i] = v;
                } else if constexpr (std::is_same_v<T, bool>) {
                    (r.*member)[i] = v == "1";
                } else {
                    parse(v, (r.*member)[i]);
                }
            }};
}

// The text of a text box or the caption of a label: main screen and car panel.
template <typename C>
Field screenText(std::string key, C MainScreen::*member) {
    return {std::move(key), [member](const RaceState&, const MainScreen& s) { return textOf(s.*member); },
            [member](RaceState&, MainScreen& s, const std::string& v) { putText(s.*member, v); }};
}

// The screen carries the panel of one car slot, `car`.
template <typename C>
Field panelText(int slot, const char* name, C CarPanel::*member) {
    return {"car" + std::to_string(slot) + "." + name,
            [member](const RaceState&, const MainScreen& s) { return textOf(s.car.*member); },
            [member](RaceState&, MainScreen& s, const std::string& v) { putText(s.car.*member, v); }};
}

// A combo box keeps the entry chosen from its list beside its text.
Field panelChoice(int slot, const char* name, ComboBox CarPanel::*member) {
    return {"car" + std::to_string(slot) + "." + name + ".index",
            [member](const RaceState&, const MainScreen& s) { return print((s.car.*member).listIndex()); },
            [member](RaceState&, MainScreen& s, const std::string& v) {
                ComboBox& box = s.car.*member;
                int index = -1;
                if (parse(v, index) && index >= 0 && index < static_cast<int>(box.items().size()) &&
                    ComboBox::column(box.items()[static_cast<std::size_t>(index)], 0) == box.text()) {
                    box.choose(index);
                }
            }};
}

std::vector<Field> buildFields(const MainScreen& screen) {
    std::vector<Field> out{
        raceTime("StartTime", &RaceState::StartTime),
        raceTime("EndTime", &RaceState::EndTime),
        raceFlag("HasEndTime", &RaceState::HasEndTime),
        raceField("PrevRunH", &RaceState::PrevRunH),
        raceField("PrevRunN", &RaceState::PrevRunN),
        raceText("OutMessSuffix", &RaceState::OutMessSuffix),
        raceField("DrvRow", &RaceState::DrvRow),
        raceField("CourseLength", &RaceState::CourseLength),
        screenText("Txt_Event", &MainScreen::Txt_Event),
        screenText("Txt_Date", &MainScreen::Txt_Date),
        screenText("Cmb_Tenki", &MainScreen::Cmb_Tenki),
        screenText("Txt_Kion", &MainScreen::Txt_Kion),
        screenText("Txt_RunH", &MainScreen::Txt_RunH),
        screenText("Txt_RunN", &MainScreen::Txt_RunN),
        screenText("Cmb_Course", &MainScreen::Cmb_Course),
        screenText("Lbl_StTime", &MainScreen::Lbl_StTime),
    };
    for (const CarPanel& car : screen.panels()) {
        const int s = car.slot;
        for (Field f : {
                 slotField(s, "LapCnt", &RaceState::LapCnt),
                 slotField(s, "LapStartTick", &RaceState::LapStartTick),
                 slotField(s, "LastRecvTick", &RaceState::LastRecvTick),
                 slotField(s, "NoCommLapDone", &RaceState::NoCommLapDone),
                 slotField(s, "CarHeard", &RaceState::CarHeard),
                 slotField(s, "LapMark", &RaceState::LapMark),
                 slotField(s, "RecvText", &RaceState::RecvText),
                 slotField(s, "RecvLapNo", &RaceState::RecvLapNo),
                 slotField(s, "AutoMessText", &RaceState::AutoMessText),
                 slotField(s, "OutMessText", &RaceState::OutMessText),
                 slotField(s, "ReplyBody", &RaceState::ReplyBody),
                 slotField(s, "LastLapTicks", &RaceState::LastLapTicks),
                 slotField(s, "LastLapText", &RaceState::LastLapText),
                 slotField(s, "BestLapTicks", &RaceState::BestLapTicks),
                 slotField(s, "BestLapNo", &RaceState::BestLapNo),
                 slotField(s, "LapTicksSum", &RaceState::LapTicksSum),
                 slotField(s, "DrvBestLapTicks", &RaceState::DrvBestLapTicks),
                 slotField(s, "DrvBestLapNo", &RaceState::DrvBestLapNo),
                 slotField(s, "DrvLapTicksSum", &RaceState::DrvLapTicksSum),
                 slotField(s, "DrvLapCount", &RaceState::DrvLapCount),
                 slotField(s, "ForeignDatagrams", &RaceState::ForeignDatagrams),
                 slotField(s, "LongReports", &RaceState::LongReports),
                 slotField(s, "SentTypedMess", &RaceState::SentTypedMess),
                 slotField(s, "TotalFuel", &RaceState::TotalFuel),
                 slotField(s, "TankCapacity", &RaceState::TankCapacity),
                 slotField(s, "MetresPerLitre", &RaceState::MetresPerLitre),
                 panelText(s, "Lbl_IP", &CarPanel::Lbl_IP),
                 panelText(s, "Cmb_Car", &CarPanel::Cmb_Car),
                 panelChoice(s, "Cmb_Car", &CarPanel::Cmb_Car),
                 panelText(s, "Cmb_Driver", &CarPanel::Cmb_Driver),
                 panelChoice(s, "Cmb_Driver", &CarPanel::Cmb_Driver),
                 panelText(s, "Lbl_Tank", &CarPanel::Lbl_Tank),
                 panelText(s, "Txt_Nenpi", &CarPanel::Txt_Nenpi),
                 panelText(s, "Txt_InGasl", &CarPanel::Txt_InGasl),
                 panelText(s, "Lbl_AllGas", &CarPanel::Lbl_AllGas),
                 panelText(s, "Chk_ChgCnter", &CarPanel::Chk_ChgCnter),
                 panelText(s, "Txt_ZanRunCnt", &CarPanel::Txt_ZanRunCnt),
                 panelText(s, "Txt_OutMess", &CarPanel::Txt_OutMess),
                 panelText(s, "Lbl_SentMess", &CarPanel::Lbl_SentMess),
                 panelText(s, "Lbl_InMess", &CarPanel::Lbl_InMess),
                 panelText(s, "Lbl_LapCnt", &CarPanel::Lbl_LapCnt),
                 panelText(s, "Lbl_BestLapTime", &CarPanel::Lbl_BestLapTime),
                 panelText(s, "Lbl_AveLapTime", &CarPanel::Lbl_AveLapTime),
                 panelText(s, "Lbl_YosoSyu", &CarPanel::Lbl_YosoSyu),
                 panelText(s, "Lbl_DrvrBestLapTime", &CarPanel::Lbl_DrvrBestLapTime),
                 panelText(s, "Lbl_DrvrAveLapTime", &CarPanel::Lbl_DrvrAveLapTime),
             }) {
            out.push_back(std::move(f));
        }
    }
    return out;
}

// Built once: the screen always carries the same car panel.
const std::vector<Field>& fields() {
    static const std::vector<Field> all = buildFields(MainScreen());
    return all;
}

}  // namespace

const GridShape& LapRows() {
    static const GridShape shape{"laps", "lap", {"time", "driver", "remark", "ticks", "message_log"}};
    return shape;
}

const GridShape& DriverRows() {
    static const GridShape shape{"driver_rows", "row", {"driver", "best_lap", "ave_lap"}};
    return shape;
}

std::map<std::string, std::string> RunValues(const RaceState& race, const MainScreen& screen) {
    std::map<std::string, std::string> out;
    for (const Field& f : fields()) {
        out.emplace(f.key, f.get(race, screen));
    }
    return out;
}

std::vector<std::string> GridRow(const Grid& grid, int row) {
    std::vector<std::string> cells;
    for (int col = 1; col <= grid.colCount(); ++col) {
        cells.push_back(grid.cell(row, col));
    }
    return cells;
}

void RestoreSnapshot(const RunSnapshot& run, RaceState& race, MainScreen& screen) {
    for (const Field& f : fields()) {
        if (const auto it = run.values.find(f.key); it != run.values.end()) {
            f.set(race, screen, it->second);
        }
    }
    CarPanel& car = screen.car;
    const auto fill = [](Grid& grid, const GridRows& rows) {
        grid.setRowCount(static_cast<int>(rows.size()));
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (std::size_t c = 0; c < rows[r].size(); ++c) {
                grid.setCell(static_cast<int>(r) + 1, static_cast<int>(c) + 1, rows[r][c]);
            }
        }
    };
    fill(car.Spd_LapTime, run.laps);
    fill(car.Spd_DriverInfo, run.drivers);
}

}  // namespace rennik::store
