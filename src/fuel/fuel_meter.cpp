#include "fuel/fuel_meter.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "base/numbers.h"
#include "fuel/strategy_display.h"

namespace rennik {
namespace {

// Whole litres as decimal text. The tank figure is a capacity and the percentage is clamped,
// so the value is small; a tank caption that reads as no sane number shows 0 instead of an
// undefined conversion.
std::string litresText(double litres) {
    if (!std::isfinite(litres) || std::fabs(litres) >= 1e15) {
        return "0";
    }
    return std::to_string(static_cast<std::int64_t>(std::floor(litres)));
}

}  // namespace

void UpdateFuelMeter(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    const RaceState& race = host.race;
    const auto i = static_cast<std::size_t>(slot);
    ShowFuelStrategy(host, slot);
    if (race.CourseLength == 0 || race.MetresPerLitre[i] == 0.0F || race.TankCapacity[i] == 0.0F) {
        return;  // no account yet: the meter keeps what it shows
    }

    // The lap now being run counts as burnt: the lap advance has already counted it.
    const double used =
        static_cast<double>(race.CourseLength) / static_cast<double>(race.MetresPerLitre[i]) * race.LapCnt[i];
    auto percent = static_cast<float>((static_cast<double>(race.TotalFuel[i]) - used) /
                                      static_cast<double>(race.TankCapacity[i]) * 100.0);
    // Written so that a result that is not a number at all also reads as empty.
    if (!(percent >= 0.0F)) {
        percent = 0.0F;
    } else if (percent > 100.0F) {
        percent = 100.0F;
    }

    if (percent >= kLowFuelPercent) {
        car.Time_GasBlk.setEnabled(false);
        car.Meter_Gas.setForeColor(colours::Yellow);
        car.Lbl_ZanGas.clearColors();
    } else {
        // The colour is left to the blink, whose first tick turns the meter red.
        car.Time_GasBlk.setEnabled(true);
    }

    // The label counts litres of the tank as the screen shows it, so fuel beyond a full tank
    // never shows more than the tank holds.
    const double tank = numbers::leadingNumber(car.Lbl_Tank.caption());
    car.Lbl_ZanGas.setCaption("残" + litresText(tank * static_cast<double>(percent) / 100.0));
    car.Meter_Gas.setValue(percent);
}

void Time_GasBlk_Timer(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    Meter& meter = car.Meter_Gas;
    meter.setForeColor(meter.foreColor() == colours::Red ? colours::Yellow : colours::Red);
    // An empty meter has no bar to change colour, so the fuel-left figure blinks with it: the
    // warning shows most plainly when the tank is dry.
    if (meter.foreColor() == colours::Red) {
        car.Lbl_ZanGas.setBackColor(colours::Red);
        car.Lbl_ZanGas.setForeColor(colours::White);
    } else {
        car.Lbl_ZanGas.clearColors();
    }
}

}  // namespace rennik
