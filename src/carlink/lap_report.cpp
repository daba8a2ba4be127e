#include "carlink/lap_report.h"

#include <limits>

#include "base/sjis.h"
#include "carlink/lap_counter.h"
#include "carlink/lap_record.h"
#include "carlink/lap_table.h"
#include "messages/pit_messages.h"
#include "store/run_recording.h"
#include "timing/lap_display.h"
#include "timing/time_format.h"

namespace rennik {
namespace {

// Sends mark + record + message to the car PC and notes the message as sent. The typed part of
// the message is held to its box's limit and the reminders come from Rennik.ini, whose values
// are at most 1023 bytes, so the reply always fits one datagram. Everything the report changed is
// in the run store before the reply goes: a program killed after it loses nothing the car has
// been told.
void sendReply(Host& host, int slot, const std::string& mark) {
    const RaceState& race = host.race;
    if (!host.Winsock[slot]) {
        return;
    }
    const std::string reply = sjis::fromUtf8(mark + race.ReplyBody[slot] + race.OutMessText[slot]);
    NoteMessageSent(host, slot);
    RecordRun(host);
    host.Winsock[slot]->send(reply);
}

// Shows the lap the car has just come back from: its time goes into the row that the silence
// opened (or into row 1 for a first report that came before any silence).
void recordLap(Host& host, int slot, const ReportOutcome& lap) {
    RaceState& race = host.race;
    CarPanel& car = host.main.panel(slot);

    race.LastLapTicks[slot] = lap.lapTicks;
    race.LastLapText[slot] = LapTimeText(race.LastLapTicks[slot], race.Settings);
    if (lap.firstRow) {
        car.Spd_LapTime.setRowCount(1);
    }

    Grid& table = car.Spd_LapTime;
    const int row = race.LapCnt[slot];
    table.setCell(row, LapColumn::Time, race.LastLapText[slot]);
    table.setActiveCell(row, LapColumn::Time);
    table.setCell(row, LapColumn::Driver, car.Cmb_Driver.text());
    table.setCell(row, LapColumn::Ticks, std::to_string(race.LastLapTicks[slot]));
    table.setCell(row, LapColumn::MessageLog, race.OutMessText[slot] + ", " + car.Lbl_InMess.caption());

    CalcLapInfo(host, slot);
    if (race.DrvLapCount[slot] == 0) {
        race.DrvLapCount[slot] = 1;
    }

    race.ReplyBody[slot] = BuildReplyBody(host, slot);
    car.Lbl_LapCnt.setCaption(std::to_string(race.LapCnt[slot] + 1) + "周目");
    sendReply(host, slot, lap.replyMark);
}

// The counts of dropped and cut datagrams as the crew sees them, on the car PC's address.
void showForeignCount(Host& host, int slot) {
    const std::int32_t foreign = host.race.ForeignDatagrams[slot];
    const std::int32_t cut = host.race.LongReports[slot];
    std::string tip;
    if (foreign != 0) {
        tip = "他のアドレスからの受信 " + std::to_string(foreign) + " 件 (破棄)";
    }
    if (cut != 0) {
        tip += (tip.empty() ? "" : "\n") + std::string("長すぎる受信 ") + std::to_string(cut) + " 件 (先頭" +
               std::to_string(wire::kLongestReportBytes) + "バイトのみ使用)";
    }
    host.main.panel(slot).Lbl_IP.setToolTip(tip);
}

void countUp(std::int32_t& count) {
    if (count < std::numeric_limits<std::int32_t>::max()) {
        ++count;
    }
}

}  // namespace

void ResetForeignCount(Host& host, int slot) {
    host.race.ForeignDatagrams[slot] = 0;
    host.race.LongReports[slot] = 0;
    showForeignCount(host, slot);
}

void OnLapReport(Host& host, int slot, const IncomingReport& report) {
    RaceState& race = host.race;
    CarPanel& car = host.main.panel(slot);
    // Replies go only to the car PC's address; reports are taken only from it. Anything else on
    // the port (another machine, a stray program) would close laps that the car never drove.
    if (report.fromHost != car.Winsock.remoteHost) {
        countUp(race.ForeignDatagrams[slot]);
        showForeignCount(host, slot);
        return;
    }
    std::string_view bytes = report.bytes;
    if (bytes.size() > wire::kLongestReportBytes) {
        bytes = sjis::wholeCharsWithin(bytes, wire::kLongestReportBytes);
        countUp(race.LongReports[slot]);
        showForeignCount(host, slot);
    }
    std::string text = sjis::toUtf8(bytes);
    // Without its three-character lap field a report can be neither split nor answered.
    if (sjis::charCount(text) < wire::kLapFieldChars) {
        return;
    }
    // The lap closes at the moment the report arrived, and the silence is counted from the same
    // moment.
    const ReportOutcome lap = LapCounter(race, slot).report(report.arrivedTick);
    if (lap.opensLap) {
        ShowNoInputLap(host, slot);
    }

    race.RecvLapNo[slot] = ReportLapNumber(text);
    const std::string message(ReportMessage(text));
    race.RecvText[slot] = std::move(text);
    ShowIncomingMessage(host, slot, message);
    ComposeOutMessage(host, slot);

    // Within one contact every other report is answered with the current record.
    if (lap.closesLap) {
        recordLap(host, slot, lap);
    } else {
        sendReply(host, slot, lap.replyMark);
    }
}

}  // namespace rennik
