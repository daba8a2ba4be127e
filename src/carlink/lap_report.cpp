#include "carlink/lap_report.h"

#include <algorithm>
#include <limits>

#include "base/sjis.h"
#include "carlink/car_contact.h"
#include "carlink/lap_record.h"
#include "carlink/lap_table.h"
#include "messages/pit_messages.h"
#include "timing/lap_display.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

// Sends mark + record + message to the car PC and notes the message as sent. The typed part of
// the message is held to its box's limit and the reminders come from Rennik.ini, whose values
// are at most 1023 bytes, so the reply always fits one datagram.
void sendReply(Host& host, int slot) {
    const RaceState& race = host.race;
    if (!host.Winsock[slot]) {
        return;
    }
    host.Winsock[slot]->send(
        sjis::fromUtf8(race.LapMark[slot] + race.ReplyBody[slot] + race.OutMessText[slot]));
    NoteMessageSent(host, slot);
}

// Closes the lap the car has just come back from: its time goes into the row that the silence
// opened (or into row 1 for a first report that came before any silence).
void recordLap(Host& host, int slot, std::int32_t now) {
    RaceState& race = host.race;
    CarPanel& car = host.main.panel(slot);

    const std::int64_t ticks = static_cast<std::int64_t>(now) - race.LapStartTick[slot];
    race.LastLapTicks[slot] = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        ticks, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    race.LastLapText[slot] = LapTimeText(race.LastLapTicks[slot], race.Settings);
    race.LapStartTick[slot] = now;

    if (race.LapCnt[slot] == 0) {
        race.LapCnt[slot] = 1;
        car.Spd_LapTime.setRowCount(1);
    }

    Grid& table = car.Spd_LapTime;
    const int row = race.LapCnt[slot];
    table.setCell(row, 1, race.LastLapText[slot]);
    table.setActiveCell(row, 1);
    table.setCell(row, 2, car.Cmb_Driver.text());
    table.setCell(row, 4, std::to_string(race.LastLapTicks[slot]));
    table.setCell(row, 5, race.OutMessText[slot] + ", " + car.Lbl_InMess.caption());

    CalcLapInfo(host, slot);
    if (race.DrvLapCount[slot] == 0) {
        race.DrvLapCount[slot] = 1;
    }

    race.ReplyBody[slot] = BuildReplyBody(host, slot);
    sendReply(host, slot);
    race.LapMark[slot] = std::string(1, 'N');  // not from a literal: GCC 12 warns falsely there
    car.Lbl_LapCnt.setCaption(std::to_string(race.LapCnt[slot] + 1) + "周目");
}

// The foreign-datagram count as the crew sees it, on the car PC's address.
void showForeignCount(Host& host, int slot) {
    const std::int32_t count = host.race.ForeignDatagrams[slot];
    host.main.panel(slot).Lbl_IP.setToolTip(
        count == 0 ? std::string() : "他のアドレスからの受信 " + std::to_string(count) + " 件 (破棄)");
}

}  // namespace

void ResetForeignCount(Host& host, int slot) {
    host.race.ForeignDatagrams[slot] = 0;
    showForeignCount(host, slot);
}

void OnLapReport(Host& host, int slot, const IncomingReport& report) {
    RaceState& race = host.race;
    CarPanel& car = host.main.panel(slot);
    // Replies go only to the car PC's address; reports are taken only from it. Anything else on
    // the port (another machine, a stray program) would close laps that the car never drove.
    if (report.fromHost != car.Winsock.remoteHost) {
        if (race.ForeignDatagrams[slot] < std::numeric_limits<std::int32_t>::max()) {
            ++race.ForeignDatagrams[slot];
        }
        showForeignCount(host, slot);
        return;
    }
    std::string text = sjis::toUtf8(report.bytes);
    // Without its three-character lap field a report can be neither split nor answered.
    if (sjis::charCount(text) < 3) {
        return;
    }
    // The lap closes at the moment the report arrived, and the silence is counted from the same
    // moment. A report never counts as earlier than the one before it (a lap starts at a
    // report), so a stamp read out of order can neither make a lap negative nor move the
    // silence back.
    const std::int32_t now = std::max(report.arrivedTick, race.LastRecvTick[slot]);

    // A silence the lap display has not judged yet (its tick comes every 99 ms) still counts:
    // the car left and came back, and its next lap opened in between.
    if (!race.NoCommLapDone[slot] && SilencePassed(race, slot, now)) {
        OpenNoInputLap(host, slot);
    }

    race.RecvLapNo[slot] = ReportLapNumber(text);
    const std::string message(ReportMessage(text));
    race.RecvText[slot] = std::move(text);
    ShowIncomingMessage(host, slot, message);
    ComposeOutMessage(host, slot);

    // Laps are found by silence: a report closes a lap only when a silence has opened one since
    // the car's last report, or after a hand correction. Within one contact every other report
    // is answered with the current record, whatever lap it echoes: a reply lost on the way makes
    // the car echo the lap before, which must not close the lap just recorded again.
    if (race.NoCommLapDone[slot] || race.LapMark[slot] == "C") {
        recordLap(host, slot, now);
    } else {
        sendReply(host, slot);
    }

    race.LastRecvTick[slot] = now;
    race.NoCommLapDone[slot] = false;
    race.CarHeard[slot] = true;
}

}  // namespace rennik
