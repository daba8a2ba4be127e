#include "carlink/address_check.h"

#include <gtest/gtest.h>

#include <string>

#include "base/sjis.h"
#include "core/startup.h"
#include "rig/fake_ports.h"
#include "rig/temp_folder.h"
#include "timing/run_control.h"

namespace rennik {
namespace {

class AddressCheckTest : public ::testing::Test {
protected:
    test::TempFolder dir;
    test::FakePorts fakes;
    Host host{fakes.ports(), dir.path()};
    test::FakeNetwork& net = *fakes.sockets.net;

    void SetUp() override {
        Mf_Open_Load(host, 28800, 16200);
        Timer1_Timer(host);
        ASSERT_TRUE(net.isBound(wire::kAddressCheckPort));
    }
    // A car PC asks which slot its address belongs to.
    void query(const std::string& bytes) {
        ASSERT_TRUE(fakes.sockets.deliver(wire::kAddressCheckPort, bytes));
    }
    std::string lastAnswer() const { return sjis::toUtf8(net.sent.back().bytes); }
};

TEST_F(AddressCheckTest, AQueryIsAnsweredAtPort7002OfTheAddressItNames) {
    query("127.0.0.1");
    ASSERT_EQ(net.sent.size(), 1U);
    EXPECT_EQ(net.sent[0].bytes, sjis::fromUtf8("未登録"));
    EXPECT_EQ(net.sent[0].localPort, 7001);
    EXPECT_EQ(net.sent[0].remoteHost, "127.0.0.1");
    EXPECT_EQ(net.sent[0].remotePort, 7002);

    host.main.car.Lbl_IP.setCaption("127.0.0.1");
    query("127.0.0.1");
    EXPECT_EQ(net.sent.back().bytes, sjis::fromUtf8("１号車"));

    // Another address is not registered, and the answer goes where the query says.
    query("127.0.0.9");
    EXPECT_EQ(lastAnswer(), "未登録");
    EXPECT_EQ(net.sent.back().remoteHost, "127.0.0.9");
    EXPECT_EQ(host.main.WinsockChker.remoteHost, "127.0.0.9");
    EXPECT_TRUE(net.isBound(wire::kAddressCheckPort));
    EXPECT_TRUE(fakes.dialogs.boxes.empty());
}

TEST_F(AddressCheckTest, AnythingButAnAddressGetsNoAnswerAndTheCheckListensOn) {
    host.main.car.Lbl_IP.setCaption("127.0.0.1");
    for (const char* bad :
         {"localhost", "127.0.0.1\r\n", " 127.0.0.1", "127.0.0.256", "127.000.0.1", "", "\xFF\xFE"}) {
        query(bad);
    }
    EXPECT_TRUE(net.sent.empty());
    query("127.0.0.1");
    EXPECT_EQ(lastAnswer(), "１号車");
}

TEST_F(AddressCheckTest, TheSocketStaysBoundBetweenQueriesAndAHeldPortIsSaidOnceAndRetried) {
    // Queries back to back are all answered from the one socket, which never lets go of 7001.
    for (int i = 0; i < 20; ++i) {
        query("127.0.0.1");
    }
    EXPECT_EQ(net.sent.size(), 20U);
    EXPECT_EQ(fakes.sockets.created, 1);
    EXPECT_EQ(net.opens.size(), 1U);
    EXPECT_TRUE(net.isBound(wire::kAddressCheckPort));

    // Another program takes the port during a run: the Stop says so once.
    host.main.car.Lbl_IP.setCaption("127.0.0.1");
    Btn_Start_Click(host);
    EXPECT_FALSE(net.isBound(wire::kAddressCheckPort));
    net.takenPorts.insert(wire::kAddressCheckPort);
    fakes.dialogs.answerNext(Answer::Yes);
    Btn_Start_Click(host);
    ASSERT_EQ(fakes.dialogs.boxes.size(), 2U);
    EXPECT_EQ(fakes.dialogs.boxes[1].text,
              "ポート 7001 は他のプログラムが使用中です。\n車載PCからのアドレス確認には応答しません。");
    EXPECT_TRUE(host.main.Time_ChkerRetry.running());

    // The retries are quiet while the port is held, and so is the next Stop.
    Time_ChkerRetry_Timer(host);
    Time_ChkerRetry_Timer(host);
    Btn_Start_Click(host);
    EXPECT_FALSE(host.main.Time_ChkerRetry.running());  // the check rests during a run
    fakes.dialogs.answerNext(Answer::Yes);
    Btn_Start_Click(host);
    EXPECT_EQ(fakes.dialogs.boxes.size(), 3U);  // one more stop question, no second word
    EXPECT_TRUE(host.main.Time_ChkerRetry.running());

    // Once the other program has gone, the next retry binds the port and queries are answered.
    net.takenPorts.clear();
    Time_ChkerRetry_Timer(host);
    EXPECT_TRUE(net.isBound(wire::kAddressCheckPort));
    EXPECT_FALSE(host.main.Time_ChkerRetry.running());
    query("127.0.0.1");
    EXPECT_EQ(lastAnswer(), "１号車");
    EXPECT_FALSE(host.race.ChkerWarned);
}

}  // namespace
}  // namespace rennik
