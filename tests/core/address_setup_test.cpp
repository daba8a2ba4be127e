#include "carlink/address_setup.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "drivers/driver_popup.h"
#include "support/host_fixture.h"

namespace rennik {
namespace {

class AddressSetupTest : public test::HostFixture {
protected:
    AddressSetupTest() {
        loadProgram();
        // A panel not yet usable, with fuel figures left from before.
        for (Control* c : std::initializer_list<Control*>{&car.Cmb_Car, &car.Cmb_Driver, &car.Txt_OutMess,
                                                          &car.Spd_LapTime, &car.Btn_LapChg}) {
            c->setEnabled(false);
        }
        car.Lbl_Gousya.setCaption("");
        haveFuel();
    }

    void haveFuel() {
        host.race.TotalFuel[0] = 40.0F;
        car.Lbl_AllGas.setCaption("40");
        car.Lbl_ZanGas.setCaption("残40");
        car.Meter_Gas.setValue(80.0F);
    }

    void enter(const std::string& answer) {
        if (!answer.empty()) {
            fakes.dialogs.typeNext(answer);
        }
        Btn_ClientNoSet_Click(host, 0);
    }

    void expectFuelReset() {
        EXPECT_EQ(host.race.TotalFuel[0], 0.0F);
        EXPECT_EQ(car.Lbl_AllGas.caption(), "");
        EXPECT_EQ(car.Lbl_ZanGas.caption(), "");
    }
};

TEST_F(AddressSetupTest, AnAddressRegistersTheSlotAndOpensItsPanel) {
    enter("192.168.1.20");
    ASSERT_EQ(fakes.dialogs.inputs.size(), 1U);
    EXPECT_EQ(fakes.dialogs.inputs[0].prompt, "　１号車搭載パソコンのＩＰ番号は？");
    EXPECT_EQ(fakes.dialogs.inputs[0].title, "ＩＰ設定");
    EXPECT_EQ(fakes.dialogs.inputs[0].defaultText, "");
    EXPECT_EQ(car.Lbl_IP.caption(), "192.168.1.20");
    EXPECT_EQ(car.Lbl_Gousya.caption(), "１号車");
    expectFuelReset();
    EXPECT_EQ(car.Frm_Runner.backColor(), colours::LightYellow);
    for (const Control* c : std::initializer_list<const Control*>{
             &car.Cmb_Car, &car.Cmb_Driver, &car.Txt_OutMess, &car.Spd_LapTime, &car.Btn_LapChg}) {
        EXPECT_TRUE(c->enabled()) << c->name();
    }
    EXPECT_TRUE(car.Frm_LapInfo.visible());
    EXPECT_TRUE(car.Frm_DriverInfo.visible());
    EXPECT_TRUE(car.Spd_LapTime.visible());
    EXPECT_EQ(car.Meter_Gas.value(), 0.0F);

    // The same address again only renames the panel and resets the fuel account.
    haveFuel();
    car.Cmb_Car.setEnabled(false);
    car.Lbl_Gousya.setCaption("");
    enter("192.168.1.20");
    EXPECT_EQ(fakes.dialogs.inputs[1].defaultText, "192.168.1.20");
    EXPECT_EQ(car.Lbl_Gousya.caption(), "１号車");
    expectFuelReset();
    EXPECT_FALSE(car.Cmb_Car.enabled());
    EXPECT_EQ(car.Meter_Gas.value(), 80.0F);

    // A cleared (green) slot opens again, even for an unchanged address.
    car.Frm_Runner.setBackColor(colours::Green);
    enter("192.168.1.20");
    EXPECT_EQ(car.Frm_Runner.backColor(), colours::LightYellow);
    EXPECT_TRUE(car.Cmb_Car.enabled());
    EXPECT_EQ(car.Meter_Gas.value(), 0.0F);
    EXPECT_TRUE(fakes.dialogs.boxes.empty());
}

TEST_F(AddressSetupTest, CancelRemovesTheAddressAndLeavesThePanelAsItWas) {
    enter("192.168.1.20");
    haveFuel();
    car.Cmb_Car.setEnabled(false);
    enter("");
    EXPECT_EQ(car.Lbl_IP.caption(), "");
    expectFuelReset();
    EXPECT_EQ(car.Frm_Runner.backColor(), colours::LightYellow);
    EXPECT_FALSE(car.Cmb_Car.enabled());
    EXPECT_TRUE(car.Cmb_Driver.enabled());
    EXPECT_EQ(car.Meter_Gas.value(), 80.0F);
    EXPECT_EQ(fakes.dialogs.beeps, 0);
}

TEST_F(AddressSetupTest, TextThatIsNotAnAddressIsRefusedAndChangesNothing) {
    enter("192.168.1.20");
    haveFuel();
    car.Lbl_Gousya.setCaption("");
    const char* const wrongs[] = {"abc", "192.168.1", "192.168.1.256", " 192.168.1.21", "car-pc"};
    for (const char* wrong : wrongs) {
        enter(wrong);
        EXPECT_EQ(car.Lbl_IP.caption(), "192.168.1.20") << wrong;
        EXPECT_EQ(host.race.TotalFuel[0], 40.0F) << wrong;
        EXPECT_EQ(car.Lbl_Gousya.caption(), "") << wrong;
    }
    EXPECT_EQ(fakes.dialogs.beeps, 5);
    ASSERT_EQ(fakes.dialogs.boxes.size(), 5U);
    const MessageBoxRequest& box = fakes.dialogs.boxes.back();
    EXPECT_EQ(box.text, "ＩＰ番号が正しくありません。\n例： 192.168.1.20");
    EXPECT_EQ(box.title, "ＩＰ設定");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(car.Lbl_AllGas.caption(), "40");
}

TEST_F(AddressSetupTest, TheSecondSetupButtonClosesTheDriverPopupFirst) {
    Btn_DriverInfo_Click(host, 0);
    ASSERT_TRUE(car.Frm_DriverLap.visible());
    fakes.dialogs.typeNext("10.0.0.7");
    Btn_ClientNoSet2_Click(host, 0);
    EXPECT_FALSE(car.Frm_DriverLap.visible());
    EXPECT_EQ(car.Lbl_IP.caption(), "10.0.0.7");
    EXPECT_EQ(car.Frm_Runner.backColor(), colours::LightYellow);
}

}  // namespace
}  // namespace rennik
