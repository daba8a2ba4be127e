#include "carlink/lap_report.h"

#include <algorithm>
#include <limits>

#include "base/sjis.h"
#include "carlink/lap_record.h"
#include "carlink/lap_table.h"
#include "messages/pit_messages.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

// The largest payload one UDP datagram can carry.
constexpr std::size_t kMaxDatagram = 65507;

// Sends mark + record + message. A message too long for one datagram (a long text pasted into
// the message box) keeps as many of its first characters as surely fit, at two bytes each in
// Shift-JIS: a reply that cannot be sent at all would leave the car echoing its old lap, and
// every later report would close that lap again.
void sendReply(Host& host, int slot) {
    const RaceState& race = host.race;
    if (!host.Winsock[slot]) {
        return;
    }
    const std::string head = race.LapMark[slot] + race.ReplyBody[slot];
    std::string bytes = sjis::fromUtf8(head + race.OutMessText[slot]);
    if (bytes.size() > kMaxDatagram) {
        const std::string& message = race.OutMessText[slot];
        std::size_t keep = (kMaxDatagram - head.size()) / 2;
        std::size_t cut = 0;
        for (; cut < message.size() && keep > 0; --keep) {
            do {
                ++cut;
            } while (cut < message.size() && (static_cast<unsigned char>(message[cut]) & 0xC0) == 0x80);
        }
        bytes = sjis::fromUtf8(head + message.substr(0, cut));
    }
    host.Winsock[slot]->send(bytes);
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

}  // namespace

void OnLapReport(Host& host, int slot, const std::string& datagram) {
    RaceState& race = host.race;
    std::string text = sjis::toUtf8(datagram);
    // Without its three-character lap field a report can be neither split nor answered.
    if (sjis::charCount(text) < 3) {
        return;
    }
    // One reading of the race clock for the whole report: the lap closes at the moment the
    // report came in, and the silence is counted from the same moment.
    const std::int32_t now = host.TickCount();

    race.RecvLapNo[slot] = ReportLapNumber(text);
    const std::string message(ReportMessage(text));
    race.RecvText[slot] = std::move(text);
    ShowIncomingMessage(host, slot, message);
    ComposeOutMessage(host, slot);

    // The car echoes the three-digit lap field of the last reply, so the comparison is made on
    // the lap modulo 1000; after a hand correction the next report always closes a lap.
    const bool repeat =
        race.RecvLapNo[slot] == LapFieldNumber(race.LapCnt[slot]) && race.LapMark[slot] != "C";
    if (repeat) {
        sendReply(host, slot);
    } else {
        recordLap(host, slot, now);
    }

    race.LastRecvTick[slot] = now;
    race.NoCommLapDone[slot] = false;
}

}  // namespace rennik
