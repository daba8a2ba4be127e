#include "live/live_snapshot.h"

#include <cstdio>

namespace rennik::live {
namespace {

void field(std::string& out, const char* name, std::string_view value) {
    if (out.size() > 1) {
        out += ',';
    }
    out += JsonString(name);
    out += ':';
    out += JsonString(value);
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string SnapshotJson(const MainScreen& screen, const RaceState& race) {
    const CarPanel& car = screen.car;
    std::string out = "{";
    field(out, "event", screen.Txt_Event.text());
    field(out, "car", car.Lbl_Gousya.caption());
    field(out, "lap", car.Lbl_LapCnt.caption());
    field(out, "running", screen.Btn_Start.caption() == "Stop" ? "1" : "");
    field(out, "best", car.Lbl_BestLapTime.caption());
    field(out, "average", car.Lbl_AveLapTime.caption());
    field(out, "predicted", car.Lbl_YosoSyu.caption());
    field(out, "remaining", race.HasEndTime ? screen.Lbl_ZanTime.caption() : "");
    field(out, "driver", car.Cmb_Driver.text());
    field(out, "driveTime", car.Lbl_DriveTime.caption());
    field(out, "driveLimit", car.Lbl_DriveLimit.caption());
    field(out, "fuelLeft", car.Lbl_ZanGas.caption());
    field(out, "fuelLaps", car.Lbl_FuelLaps.caption());
    field(out, "fuelEnd", car.Lbl_FuelEnd.caption());
    field(out, "refuel", car.Lbl_Refuel.caption());
    field(out, "sent", car.Lbl_SentMess.caption());
    field(out, "carMessage", car.Lbl_InMess.caption());
    field(out, "contact", car.Lbl_Contact.caption());
    out += ",\"laps\":[";
    const Grid& laps = car.Spd_LapTime;
    int listed = 0;
    for (int row = laps.rowCount(); row >= 1 && listed < kLapsShown; --row) {
        const std::string& time = laps.cell(row, LapColumn::Time);
        if (time.empty()) {
            continue;
        }
        out += listed++ == 0 ? "[" : ",[";
        out += JsonString(std::to_string(row)) + "," + JsonString(time) + "," +
               JsonString(laps.cell(row, LapColumn::Driver)) + "]";
    }
    return out + "]}";
}

}  // namespace rennik::live
