#include "fuel/fuel_strategy.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace rennik {
namespace {

// Whole laps in `litres` at `perLap` litres a lap. A quotient a rounding error short of a whole
// number (3 litres at 0.3 a lap) is that whole number: the crew's figures are exact to them.
std::int32_t wholeLaps(double litres, double perLap) {
    const double laps = litres / perLap;
    const double whole = std::floor(laps * (1.0 + 1e-12) + 1e-9);
    return static_cast<std::int32_t>(std::clamp(whole, 0.0, double{std::numeric_limits<std::int32_t>::max()}));
}

bool positive(double v) { return std::isfinite(v) && v > 0.0; }

std::int32_t wholeLapsWithin(double v) {
    return static_cast<std::int32_t>(std::clamp(v, 0.0, double{std::numeric_limits<std::int32_t>::max()}));
}

}  // namespace

std::optional<FuelPlan> PlanFuel(const FuelAccount& account, const std::optional<RunEnd>& end) {
    if (!positive(account.courseMetres) || !positive(account.metresPerLitre) || !positive(account.tankLitres) ||
        !std::isfinite(account.refuelledLitres)) {
        return std::nullopt;
    }
    FuelPlan plan;
    plan.litresPerLap = account.courseMetres / account.metresPerLitre;
    const double used = plan.litresPerLap * std::max(account.lapCount, 0);
    // Fuel beyond a full tank never went into it, as the meter shows.
    plan.fuelLeftLitres = std::clamp(account.refuelledLitres - used, 0.0, account.tankLitres);
    plan.lapsOnFuel = wholeLaps(plan.fuelLeftLitres, plan.litresPerLap);
    plan.lastLapOnFuel = wholeLapsWithin(static_cast<double>(std::max(account.lapCount, 0)) + plan.lapsOnFuel);

    if (end && end->averageLapTicks > 0) {
        EndPlan e;
        const std::int64_t restOfLap = std::max<std::int64_t>(end->averageLapTicks - end->runningLapTicks, 0);
        const std::int64_t after = end->remainTicks - restOfLap;
        if (after > 0) {
            e.lapsToEnd = wholeLapsWithin(std::ceil(static_cast<double>(after) / static_cast<double>(end->averageLapTicks)));
        }
        e.reachesEnd = e.lapsToEnd <= plan.lapsOnFuel;
        if (!e.reachesEnd) {
            e.litresShort = e.lapsToEnd * plan.litresPerLap - plan.fuelLeftLitres;
            e.refuelsAtLeast = wholeLapsWithin(std::ceil(e.litresShort / account.tankLitres - 1e-9));
        }
        plan.end = e;
    }
    return plan;
}

}  // namespace rennik
