#include "carlink/lap_counter.h"

#include <algorithm>
#include <limits>

#include "carlink/wire_format.h"

namespace rennik {

bool SilencePassed(const RaceState& race, int slot, std::int64_t now) {
    return now > std::int64_t{race.LastRecvTick[slot]} + race.Settings.NoInputTicks;
}

LapCounter::LapCounter(RaceState& race, int slot) : race_(race), slot_(slot) {}

void LapCounter::start() {
    race_.LapCnt[slot_] = 0;
    race_.LapStartTick[slot_] = 0;
    race_.NoCommLapDone[slot_] = false;
    // The race clock counts from 0 again: the last run's last report would hold back the first
    // lap row of the new run until the new count passed it.
    race_.LastRecvTick[slot_] = 0;
    race_.CarHeard[slot_] = false;
}

bool LapCounter::openOnSilence(std::int64_t now) {
    if (race_.NoCommLapDone[slot_] || !SilencePassed(race_, slot_, now)) {
        return false;
    }
    ++race_.LapCnt[slot_];
    race_.NoCommLapDone[slot_] = true;
    return true;
}

ReportOutcome LapCounter::report(std::int32_t arrivedTick) {
    ReportOutcome out;
    // A report never counts as earlier than the one before it (a lap starts at a report), so a
    // stamp read out of order can neither make a lap negative nor move the silence back.
    out.at = std::max(arrivedTick, race_.LastRecvTick[slot_]);
    // A silence the lap display has not judged yet (its tick comes every 99 ms) still counts:
    // the car left and came back, and its next lap opened in between.
    out.opensLap = openOnSilence(out.at);
    out.replyMark = race_.LapMark[slot_];
    // A report closes a lap only when a silence has opened one since the car's last report, or
    // after a hand correction. A reply lost on the way makes the car echo the lap before, which
    // must not close the lap just recorded again.
    out.closesLap =
        race_.NoCommLapDone[slot_] || race_.LapMark[slot_] == std::string(1, wire::kMarkCorrected);
    if (out.closesLap) {
        const std::int64_t ticks = std::int64_t{out.at} - race_.LapStartTick[slot_];
        out.lapTicks = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            ticks, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
        race_.LapStartTick[slot_] = out.at;
        if (race_.LapCnt[slot_] == 0) {
            race_.LapCnt[slot_] = 1;
            out.firstRow = true;
        }
        race_.LapMark[slot_] = std::string(1, wire::kMarkNew);
    }
    race_.LastRecvTick[slot_] = out.at;
    race_.NoCommLapDone[slot_] = false;
    race_.CarHeard[slot_] = true;
    return out;
}

void LapCounter::correct(std::int32_t lap) {
    race_.LapCnt[slot_] = lap;
    race_.LapMark[slot_] = std::string(1, wire::kMarkCorrected);
    // The car has not reported since: no silence row may open before it has.
    race_.NoCommLapDone[slot_] = true;
}

}  // namespace rennik
