#pragma once

#include <cstdint>
#include <optional>

// The fuel strategy of a car: from the fuel account the program keeps (course length,
// consumption, tank, litres refuelled, laps counted) how many laps the fuel left lasts, and with
// a planned end whether the car gets there on it. The arithmetic is written out in
// docs/behaviour.md.
namespace rennik {

struct FuelAccount {
    double courseMetres = 0.0;
    double metresPerLitre = 0.0;
    double tankLitres = 0.0;
    double refuelledLitres = 0.0;
    // Laps begun, the lap now run included: it counts as burnt from its start.
    std::int32_t lapCount = 0;
};

// The planned end as the race clock sees it now.
struct RunEnd {
    std::int64_t remainTicks = 0;      // to the planned end; 0 or less once it has passed
    std::int64_t averageLapTicks = 0;  // the car's average lap
    std::int64_t runningLapTicks = 0;  // how long the lap now run has been going
};

struct EndPlan {
    // Laps still to start after the lap now run: the car goes on while there is time, and the
    // lap under way when the time is up is finished.
    std::int32_t lapsToEnd = 0;
    bool reachesEnd = false;
    double litresShort = 0.0;      // more than the fuel left, to get to the end
    std::int32_t refuelsAtLeast = 0;  // tanks of fuel that shortfall takes
};

struct FuelPlan {
    double litresPerLap = 0.0;
    double fuelLeftLitres = 0.0;  // never below 0, never above the tank
    std::int32_t lapsOnFuel = 0;  // whole laps after the lap now run
    std::int32_t lastLapOnFuel = 0;  // the lap the fuel lasts to: refuel by its end
    std::optional<EndPlan> end;
};

// Nothing while the account is incomplete: no course, consumption or tank (or one that is not a
// positive number). `end` is given only for a run with a planned end and a lap average.
std::optional<FuelPlan> PlanFuel(const FuelAccount& account, const std::optional<RunEnd>& end);

}  // namespace rennik
