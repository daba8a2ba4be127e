#include "core/missing_entry_blink.h"

#include <gtest/gtest.h>

#include "support/host_fixture.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

class MissingEntryBlinkTest : public test::HostFixture {
protected:
    void SetUp() override { loadProgram(); }
};

TEST_F(MissingEntryBlinkTest, EmptyEntriesOfASetUpSlotBlinkTogetherOnlyWhileIdle) {
    // Not set up: only the course blinks.
    Time_NoInputBlk_Timer(host);
    EXPECT_EQ(m.Cmb_Course.backColor(), kOliveYellow);
    EXPECT_FALSE(car.Cmb_Car.backColor().has_value());

    registerCar("127.0.0.1");
    Time_NoInputBlk_Timer(host);
    EXPECT_EQ(m.Cmb_Course.backColor(), colours::White);
    EXPECT_EQ(car.Cmb_Car.backColor(), kOliveYellow);
    EXPECT_EQ(car.Cmb_Driver.backColor(), kOliveYellow);
    Time_NoInputBlk_Timer(host);
    EXPECT_EQ(m.Cmb_Course.backColor(), kOliveYellow);
    EXPECT_EQ(car.Cmb_Car.backColor(), colours::White);

    // A filled box is left as it is from the next tick on.
    car.Cmb_Driver.setText("山田");
    Time_NoInputBlk_Timer(host);
    EXPECT_EQ(car.Cmb_Driver.backColor(), colours::White);
    EXPECT_EQ(car.Cmb_Car.backColor(), kOliveYellow);

    // A cleared (green) slot never blinks; nor does anything during a run.
    car.Frm_Runner.setBackColor(colours::Green);
    Time_NoInputBlk_Timer(host);
    EXPECT_EQ(car.Cmb_Car.backColor(), kOliveYellow);
    car.Frm_Runner.setBackColor(colours::LightYellow);
    Btn_Start_Click(host);
    EXPECT_FALSE(m.Time_NoInputBlk.enabled());
    EXPECT_EQ(car.Cmb_Car.backColor(), colours::White);
    fakes.dialogs.answerNext(Answer::Yes);
    Btn_Start_Click(host);
    EXPECT_TRUE(m.Time_NoInputBlk.enabled());
}

}  // namespace
}  // namespace rennik
