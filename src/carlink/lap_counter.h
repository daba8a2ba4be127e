#pragma once

#include <cstdint>

#include "core/race_state.h"

// The lap rule of one car slot, in one place. Laps are found by silence: a car silent for longer
// than the no-communication time has left the host's reach and its next lap has begun; the next
// report closes that lap at the moment it arrived. Within one contact every other report is a
// repeat, answered and never recorded, whatever lap it echoes. A hand correction sets the lap
// count and lets the next report close a lap. Nothing else changes `LapCnt`, `LapStartTick`,
// `LastRecvTick`, `NoCommLapDone` or `LapMark`; the handlers call this and then do only what the
// crew sees and what the car is sent.
namespace rennik {

// What a report did to the laps.
struct ReportOutcome {
    // The moment the report counts at: its arrival, never before the report before it.
    std::int32_t at = 0;
    // A silence that the lap display had not judged yet opened the next lap first.
    bool opensLap = false;
    // The report closes the open lap; `lapTicks` is its time, `LapCnt` its row.
    bool closesLap = false;
    std::int32_t lapTicks = 0;
    // The first lap of the run closed before any silence: the lap table needs its row 1.
    bool firstRow = false;
    // The mark the reply to this report carries: "C" once after a correction, "N" otherwise.
    std::string replyMark;
};

// The car of a slot has been silent for longer than the no-communication time at tick `now`
// (strictly longer: a report exactly that long ago still counts as in reach), so it has left the
// host's reach. Counted in 64 bits, so a tick count near its 32-bit end cannot wrap the sum.
bool SilencePassed(const RaceState& race, int slot, std::int64_t now);

// A view of one slot's lap fields of the race state.
class LapCounter {
public:
    LapCounter(RaceState& race, int slot);

    // Start: no lap yet; the lap and the silence are counted from tick 0, where the race clock
    // starts again.
    void start();

    // The lap display's tick at `now`: opens the next lap once per silence. True when it did.
    bool openOnSilence(std::int64_t now);

    // A report from the car PC that arrived at `arrivedTick`.
    ReportOutcome report(std::int32_t arrivedTick);

    // A hand correction: the lap now being run is `lap`. The car's next report closes it.
    void correct(std::int32_t lap);

private:
    RaceState& race_;
    int slot_;
};

}  // namespace rennik
