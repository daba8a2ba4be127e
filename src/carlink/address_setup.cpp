#include "carlink/address_setup.h"

#include <string>

#include "base/ipv4.h"
#include "drivers/driver_popup.h"

namespace rennik {
namespace {

// The slot number as the prompt writes it: a leading blank and the digits, all full width
// ("　１" for slot 0).
std::string fullWidthSlotNumber(int slot) {
    std::string out = "\xE3\x80\x80";  // U+3000, the full-width blank
    for (const char c : std::to_string(slot + 1)) {
        out += "\xEF\xBC";  // U+FF10 + digit
        out += static_cast<char>(0x90 + (c - '0'));
    }
    return out;
}

// Makes a slot usable: light yellow marks it set up, and its panel opens with an empty meter.
void openSlot(CarPanel& car) {
    car.Frm_Runner.setBackColor(colours::LightYellow);
    car.openSetUpControls(true);
    car.Meter_Gas.setValue(0.0F);
}

}  // namespace

void Btn_ClientNoSet_Click(Host& host, int slot) {
    CarPanel& car = host.main.panel(slot);
    const std::string old = car.Lbl_IP.caption();
    const std::string answer = host.ports.dialogs.inputBox(
        fullWidthSlotNumber(slot) + "号車搭載パソコンのＩＰ番号は？", "ＩＰ設定", old);
    // The address becomes the remote host of the car link: anything but an address would send
    // the replies nowhere, so it is refused and the old one stays.
    if (!answer.empty() && !isDottedIPv4(answer)) {
        host.ports.dialogs.beep();
        host.ports.dialogs.messageBox({"ＩＰ番号が正しくありません。\n例： 192.168.1.20", "ＩＰ設定",
                                       MsgIcon::Exclamation, MsgButtons::Ok, Answer::Ok});
        return;
    }
    car.Lbl_Gousya.setCaption(car.Frm_Runner.caption());
    // An empty answer (Cancel) removes the address: the slot takes no part in the next run.
    car.Lbl_IP.setCaption(answer);
    host.race.TotalFuel[slot] = 0.0F;
    car.Lbl_AllGas.setCaption("");
    car.Lbl_ZanGas.setCaption("");
    const bool cleared = car.Frm_Runner.backColor() == colours::Green;
    if (!answer.empty() && (answer != old || cleared)) {
        openSlot(car);
    }
}

void Btn_ClientNoSet2_Click(Host& host, int slot) {
    CloseDriverPopup(host, slot);
    Btn_ClientNoSet_Click(host, slot);
}

}  // namespace rennik
