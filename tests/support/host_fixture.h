#pragma once

#include <gtest/gtest.h>

#include <string>

#include "carlink/address_setup.h"
#include "core/host.h"
#include "core/startup.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"

namespace rennik::test {

// The program on fake ports in a fresh folder, with the car panel and the race state at hand.
// The main screen is loaded only when a test asks, since some handlers are tried on a bare one.
class HostFixture : public ::testing::Test {
protected:
    TempFolder dir;
    FakePorts fakes;
    Host host{fakes.ports(), dir.path()};
    MainScreen& m = host.main;
    CarPanel& car = host.main.panel(0);
    RaceState& race = host.race;

    // The start-up screen's load and its timer, as the program runs them: the main screen is open.
    void loadProgram() {
        Mf_Open_Load(host, 28800, 16200);
        Timer1_Timer(host);
    }

    // Slot 0's car PC registered through the address box, as the operator does it.
    void registerCar(const std::string& address = "192.168.1.20") {
        fakes.dialogs.typeNext(address);
        Btn_ClientNoSet_Click(host, 0);
    }
};

}  // namespace rennik::test
