#include "carlink/car_contact.h"

#include <algorithm>
#include <string>

#include "carlink/lap_counter.h"

namespace rennik {
namespace {

// The slot's car is being measured and has reported since the Start: its contact is known.
bool contactKnown(const Host& host, int slot) {
    for (const CarPanel& car : host.main.panels()) {
        if (car.slot == slot) {
            return car.Time_Lap.running() && host.race.CarHeard[slot];
        }
    }
    return false;
}

}  // namespace

bool CarInReach(const Host& host, int slot) {
    return contactKnown(host, slot) && !SilencePassed(host.race, slot, host.TickCount());
}

void ShowCarContact(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    Label& label = car.Lbl_Contact;
    if (!contactKnown(host, slot)) {
        label.setCaption("");
        label.clearColors();
        return;
    }
    const RaceState& race = host.race;
    const std::int64_t now = host.TickCount();
    const std::int64_t seconds =
        std::max<std::int64_t>(0, now - race.LastRecvTick[slot]) / std::max(1, race.Settings.TicksPerSecond);
    const bool inReach = !SilencePassed(race, slot, now);
    label.setCaption(std::string(inReach ? "通信中 " : "圏外 ") + std::to_string(seconds) + "秒前");
    if (inReach) {
        label.setForeColor(colours::Green);
    } else {
        label.clearColors();
    }
}

}  // namespace rennik
