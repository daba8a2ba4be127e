#include "carlink/address_check.h"

#include <gtest/gtest.h>

#include <string>

#include "base/sjis.h"
#include "core/startup.h"
#include "support/fake_ports.h"
#include "support/temp_folder.h"

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
        ASSERT_TRUE(net.isBound(kAddressCheckPort));
    }
    // A car PC asks which slot its address belongs to.
    void query(const std::string& bytes) { ASSERT_TRUE(fakes.sockets.deliver(kAddressCheckPort, bytes)); }
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
    EXPECT_TRUE(net.isBound(kAddressCheckPort));
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

TEST_F(AddressCheckTest, TheCheckBindsAgainOnItsOwnSocketAndARefusedRebindAnswersNothing) {
    host.chker->close();
    EXPECT_FALSE(net.isBound(kAddressCheckPort));
    OpenAddressCheck(host);
    EXPECT_EQ(fakes.sockets.created, 1);
    query("127.0.0.1");
    EXPECT_EQ(lastAnswer(), "未登録");

    // Another program takes the port in the moment the socket is rebound for the answer.
    net.takenPorts.insert(kAddressCheckPort);
    query("127.0.0.1");
    EXPECT_EQ(net.sent.size(), 1U);
    EXPECT_TRUE(fakes.dialogs.boxes.empty());
}

}  // namespace
}  // namespace rennik
