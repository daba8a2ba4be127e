#include "fuel/refuel.h"

#include <optional>

#include "base/numbers.h"
#include "drivers/driver_popup.h"
#include "fuel/fuel_meter.h"

namespace rennik {
namespace {

// A typed figure in single precision; nothing when it is no number as a whole or lies beyond
// single precision.
std::optional<float> singleValue(const std::string& text) {
    const auto value = numbers::numericValue(text);
    return value ? numbers::toSingle(*value) : std::nullopt;
}

}  // namespace

void Btn_Kyuyu_Click(Host& host, int slot) {
    CloseDriverPopup(host, slot);
    CarPanel& car = host.main.panel(slot);
    RaceState& race = host.race;
    Dialogs& dialogs = host.ports.dialogs;
    if (race.CourseLength == 0 || race.MetresPerLitre[slot] == 0.0F) {
        dialogs.beep();
        return;
    }
    // The amount must be a number as a whole: "12abc" can reach here when the button is pressed
    // without the box losing the focus, and is refused like an empty or zero amount.
    const std::string& text = car.Txt_InGasl.text();
    const auto amount = singleValue(text);
    const auto total =
        amount ? numbers::toSingle(static_cast<double>(*amount) + race.TotalFuel[slot]) : std::nullopt;
    if (numbers::leadingNumber(text) == 0.0 || !total) {
        dialogs.beep();
        return;
    }
    race.TotalFuel[slot] = *total;
    car.Lbl_AllGas.setCaption(numbers::singleText(race.TotalFuel[slot]));
    UpdateFuelMeter(host, slot);
    host.ports.focus.setFocus(car.Txt_InGasl);
}

void Txt_InGasl_LostFocus(Host& host, int slot) {
    TextBox& box = host.main.panel(slot).Txt_InGasl;
    if (!numbers::isNumeric(box.text())) {
        host.ports.dialogs.beep();
        box.setText("");
    }
}

void Txt_Nenpi_LostFocus(Host& host, int slot) {
    TextBox& box = host.main.panel(slot).Txt_Nenpi;
    const auto value = numbers::numericValue(box.text());
    // Beyond single precision, the figure could not be kept; it is refused like a word.
    auto metresPerLitre = value ? numbers::toSingle(*value * 1000.0) : std::nullopt;
    if (!metresPerLitre) {
        host.ports.dialogs.beep();
        box.setText("0");
        metresPerLitre = 0.0F;
    }
    host.race.MetresPerLitre[slot] = *metresPerLitre;
}

}  // namespace rennik
