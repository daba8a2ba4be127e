#include "core/missing_entry_blink.h"

namespace rennik {
namespace {

void blinkIfEmpty(ComboBox& box) {
    if (box.text().empty()) {
        box.setBackColor(box.backColor() == kOliveYellow ? colours::White : kOliveYellow);
    }
}

}  // namespace

void Time_NoInputBlk_Timer(Host& host) {
    MainScreen& m = host.main;
    blinkIfEmpty(m.Cmb_Course);
    // Light yellow marks a slot that is set up; a green (cleared) or untouched one never blinks.
    for (CarPanel& car : m.panels()) {
        if (car.Frm_Runner.backColor() == colours::LightYellow) {
            blinkIfEmpty(car.Cmb_Driver);
            blinkIfEmpty(car.Cmb_Car);
        }
    }
}

}  // namespace rennik
