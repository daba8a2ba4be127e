#include "fuel/refuel.h"

#include <cmath>
#include <limits>
#include <optional>

#include "base/numbers.h"
#include "drivers/driver_popup.h"
#include "fuel/fuel_meter.h"

namespace rennik {
namespace {

// A typed figure as a single-precision value; nothing when it is not a number as a whole or
// lies beyond single precision.
std::optional<float> singleValue(const std::string& text) {
    const auto value = numbers::numericValue(text);
    if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) {
        return std::nullopt;
    }
    return static_cast<float>(*value);
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
    const double total = amount ? static_cast<double>(*amount) + race.TotalFuel[slot] : 0.0;
    if (numbers::leadingNumber(text) == 0.0 || !amount ||
        std::fabs(total) > std::numeric_limits<float>::max()) {
        dialogs.beep();
        return;
    }
    race.TotalFuel[slot] = static_cast<float>(total);
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
    auto kmPerLitre = singleValue(box.text());
    // Beyond single precision, the figure could not be kept; it is refused like a word.
    if (!kmPerLitre ||
        std::fabs(static_cast<double>(*kmPerLitre) * 1000.0) > std::numeric_limits<float>::max()) {
        host.ports.dialogs.beep();
        box.setText("0");
        kmPerLitre = 0.0F;
    }
    host.race.MetresPerLitre[slot] = *kmPerLitre * 1000.0F;
}

}  // namespace rennik
