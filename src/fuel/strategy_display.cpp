#include "fuel/strategy_display.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "fuel/fuel_strategy.h"

namespace rennik {
namespace {

// Litres to one decimal, as the crew reads them off a fuel can.
std::string litresToATenth(double litres) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", litres);
    return text;
}

}  // namespace

void ShowFuelStrategy(Host& host, int slot) {
    const RaceState& race = host.race;
    CarPanel& car = host.main.panel(slot);
    const auto i = static_cast<std::size_t>(slot);
    const bool running = car.Time_Lap.running();
    const std::vector<LapRowCache::Row>& rows = host.lapRows[i].rows(car.Spd_LapTime);
    // The lap under way is burnt from its start: the lap count takes it in only when a silence
    // opens its row, so before that (lap 1, and the car still in reach after closing a lap: the
    // counted lap's row holds its time) it is one more.
    const auto counted = static_cast<std::size_t>(std::max(race.LapCnt[i], 0));
    const bool underWayUncounted = running && (counted == 0 || (counted <= rows.size() && rows[counted - 1].ticks));
    const FuelAccount account{static_cast<double>(race.CourseLength), static_cast<double>(race.MetresPerLitre[i]),
                              static_cast<double>(race.TankCapacity[i]), static_cast<double>(race.TotalFuel[i]),
                              race.LapCnt[i] + (underWayUncounted ? 1 : 0)};
    // The car's average of this run: none before its first timed lap (the figure the previous
    // run left stays until then).
    const bool timed = std::any_of(rows.begin(), rows.end(), [](const LapRowCache::Row& r) { return r.ticks; });
    std::optional<RunEnd> end;
    if (race.HasEndTime) {
        const std::int64_t runningLap = running ? std::int64_t{host.TickCount()} - race.LapStartTick[i] : 0;
        end = RunEnd{race.RemainTicks, timed ? race.LapTicksSum[i] : 0, runningLap};
    }
    const std::optional<FuelPlan> plan = PlanFuel(account, end);
    if (!plan) {
        car.Lbl_FuelLaps.setCaption("コース・平均燃費・タンク容量が揃うと計算します");
        car.Lbl_FuelEnd.setCaption("");
        car.Lbl_Refuel.setCaption("");
        return;
    }
    car.Lbl_FuelLaps.setCaption("残燃料 " + litresToATenth(plan->fuelLeftLitres) + "ﾘｯﾄﾙで あと" +
                                std::to_string(plan->lapsOnFuel) + "周");
    if (plan->end) {
        const EndPlan& e = *plan->end;
        car.Lbl_FuelEnd.setCaption("終了まで あと" + std::to_string(e.lapsToEnd) + "周: " +
                                   (e.reachesEnd ? std::string("燃料は足ります")
                                                 : litresToATenth(e.litresShort) + "ﾘｯﾄﾙ不足 (給油" +
                                                       std::to_string(e.refuelsAtLeast) + "回以上)"));
    } else {
        car.Lbl_FuelEnd.setCaption(race.HasEndTime ? "終了まで: 平均ラップが出てから計算します" : "");
    }
    if (plan->end && plan->end->reachesEnd) {
        car.Lbl_Refuel.setCaption("給油不要");
    } else if (plan->lapsOnFuel == 0) {
        car.Lbl_Refuel.setCaption("給油は この周の終わりまでに");
    } else {
        car.Lbl_Refuel.setCaption("給油は " + std::to_string(plan->lastLapOnFuel) + "周目の終わりまでに");
    }
}

}  // namespace rennik
